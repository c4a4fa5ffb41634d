"""Untrained stability terms of a single amino-acid substitution W -> M at position i.

The terms follow the sequence and structure scores of DDGun (Montanucci, Capriotti, Frank,
Ben-Tal, Fariselli, BMC Bioinformatics 20(Suppl 14):335, 2019). DDGun weights every term by a
homologue profile; offline there is no homologue search. A profile describes the position, not
the residue that happens to occupy it, which is what makes DDGun antisymmetric (M -> W scores
minus W -> M). The profile used here is the one both sequences share: the two residues seen at the
position, W and M, with weight 1/2 each. The substitution term sum_k P_k (B(k, M) - B(k, W)) then
becomes half the difference of the two self-scores; a profile of W alone would give
B(W, M) - B(W, W), which is never positive (a BLOSUM diagonal is its row's maximum) and makes
almost every substitution, and its reverse, destabilising. The other terms are plain differences:
    s_hyd = H(M) - H(W)                                  H: Kyte-Doolittle hydropathy (KYTJ820101)
    s_sub = (B(M, M) - B(W, W)) / 2                      B: BLOSUM62 in 1/3 bits (HENS920102)
    s_seq = sum over j in [i-2, i+2], j != i, of C(a_j, M) - C(a_j, W)
                                                         C: Skolnick contact potential (SKOJ970101)
    s_3d  = sum over residues r in contact with i of E(a_r, M) - E(a_r, W)
                                                         E: Bastolla-Vendruscolo potential (BASU010101)
Contact potentials are energies (lower = more favourable), so they enter with a minus sign.
Sign convention of every estimate: ddG = dG_unfold(mutant) - dG_unfold(wild type) in kcal/mol;
negative values mean the substitution destabilises the fold, positive values that it stabilises it.
Every term, and so every estimate, is antisymmetric: M -> W in the same environment gives minus
W -> M exactly.
"""

KD = "KYTJ820101"
BLOSUM = "HENS920102"
SKOLNICK = "SKOJ970101"
BASTOLLA = "BASU010101"

WINDOW = 2

# DDGun's published combination weights (sequence predictor, and structure predictor with its
# accessibility factor (1.1 - ac)).
W1D = (0.27, 0.30, -0.43)
W3D = (0.18, 0.20, -0.29, -0.33)


def _value(table, key, what):
    v = table.get(key)
    if v is None:
        raise KeyError("%s has no value for %s" % (what, key))
    return v


def hydropathy_term(tables, wild, mutant):
    kd = tables[KD]
    return _value(kd, mutant, KD) - _value(kd, wild, KD)


def substitution_term(tables, wild, mutant):
    b = tables[BLOSUM]
    return (_value(b, mutant + mutant, BLOSUM) - _value(b, wild + wild, BLOSUM)) / 2.0


def pair_term(table, name, neighbours, wild, mutant):
    """Sum over the neighbours' letters of table(n, M) - table(n, W); unknown letters add nothing."""
    total = 0.0
    for n in neighbours:
        if n + mutant in table and n + wild in table:
            total += _value(table, n + mutant, name) - _value(table, n + wild, name)
    return total


def sequence_window(sequence, index):
    """Letters within WINDOW residues of the 0-based index, the index itself left out."""
    lo = max(0, index - WINDOW)
    return sequence[lo:index] + sequence[index + 1:index + 1 + WINDOW]


def ddg_1d(tables, sequence, index, mutant):
    """(ddG, s_hyd, s_sub, s_seq) of the substitution at the 0-based index of the sequence."""
    wild = sequence[index]
    s_hyd = hydropathy_term(tables, wild, mutant)
    s_sub = substitution_term(tables, wild, mutant)
    s_seq = pair_term(tables[SKOLNICK], SKOLNICK, sequence_window(sequence, index), wild, mutant)
    return W1D[0] * s_hyd + W1D[1] * s_sub + W1D[2] * s_seq, s_hyd, s_sub, s_seq


def ddg_3d(tables, wild, window, contacts, accessibility, mutant):
    """(ddG, s_hyd, s_sub, s_seq, s_3d) with window = sequence neighbours' letters, contacts =
    structural neighbours' letters and accessibility in [0, 1]."""
    s_hyd = hydropathy_term(tables, wild, mutant)
    s_sub = substitution_term(tables, wild, mutant)
    s_seq = pair_term(tables[SKOLNICK], SKOLNICK, window, wild, mutant)
    s_3d = pair_term(tables[BASTOLLA], BASTOLLA, contacts, wild, mutant)
    total = W3D[0] * s_hyd + W3D[1] * s_sub + W3D[2] * s_seq + W3D[3] * s_3d
    return total * (1.1 - accessibility), s_hyd, s_sub, s_seq, s_3d


def format_ddg(value):
    return "%.2f" % (round(value, 2) + 0.0)  # + 0.0 turns -0.0 into 0.0
