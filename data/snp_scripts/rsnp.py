#!/usr/bin/env python3
"""rSNP tools: transcription factor binding sites that a variation changes.

Model: position weight matrices scanned on both strands (Stormo, Bioinformatics 16:16, 2000;
Wasserman & Sandelin, Nat. Rev. Genet. 5:276, 2004) with the JASPAR CORE vertebrate count
matrices (Khan et al., Nucleic Acids Res. 46:D260, 2018).
  1. Weights: for column j with counts n_jb (b in A, C, G, T), N_j = sum_b n_jb and a pseudocount
     of sqrt(N_j) spread over the uniform background q_b = 0.25:
         w_jb = log2( (n_jb + sqrt(N_j) * q_b) / (N_j + sqrt(N_j)) / q_b )        (bits)
     rounded to integers W_jb = round(100 * w_jb) (0.01-bit steps); an N or other ambiguous base
     scores the column minimum, so it never creates a site.
  2. Score of a window x_1..x_L: S = sum_j W_j,x_j; its exact p-value under the background is
         p(S) = #{ L-mers y : sum_j W_j,y_j >= S } / 4^L
     computed by dynamic programming over the integer scores (as TFM-Pvalue, Touzet & Varre,
     Algorithms Mol. Biol. 2:15, 2007, and FIMO, Grant et al., Bioinformatics 27:1017, 2011):
     the counts are the coefficients of prod_j (sum_b x^W_jb), multiplied out exactly.
  3. Sites looked at: the windows of either strand that overlap the changed bases (the
     sequences' difference after their common prefix and suffix); per factor and sequence the
     best of them is the factor's site.
  4. Binding state of a site with score S (bits s = S / 100) and p-value p, for the significance
     level P of --sign (first rule that holds):
         p <= P / 10            0  Extended (1.5)
         p <= P                 1  Normal (1.0)
         p <= 10 P              2  Weakened (0.5)
         p <= 100 P             3  Undetectable (0.0)
         s > 0                  4  Unspecific (-0.5)    beyond every level, yet above background
         otherwise              6  No binding (-1.0)    beyond every level and s <= 0
     The p-value decides whenever it reaches a level: a site with s <= 0 can still be rare under
     the background (a matrix with many weak columns), and then it is not "No binding".
     p is the p-value of one site. The factor's site is the best of m = 2 x (windows overlapping
     the change) sites, and 579 matrices are scanned, so among random sequences some factor is
     always "Normal" by chance. --adjust windows multiplies p by m, --adjust all by m times the
     number of matrices (Bonferroni, Dunn, J. Am. Stat. Assoc. 56:52, 1961; conservative for the
     overlapping windows); the states are then decided on the adjusted p-value. Default: none.
  5. PRESENT lists the factors whose site is in state --snpdm1 in the first sequence and in state
     --snpdm2 in the second, with scores (bits), p-values, strand and 1-based window start, sorted
     by the first sequence's p-value; "none" when no factor is (also when the sequences are equal).
The pre-parsed matrices with the score thresholds of every p-value level are cached, and so are
the lane tables that score all matrices at once (motifscan.py); the exact distribution of a
matrix is computed (and cached) only when one of its sites is reported or --adjust asks for it.
"""

import os
import sys

if __name__ != "__main__" and os.path.dirname(os.path.abspath(__file__)) not in sys.path:
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import snpcommon as sc

NAME = "rsnp.py"
# A run keeps nothing but caches of the data files every run reads: runs may share one
# pre-started process.
NX_INDEPENDENT_RUNS = True
RESULT_KEY = "PRESENT"
SCALE = 100  # integer score steps per bit
SIGNIFICANCE = (0.33, 0.25, 0.1, 0.05, 0.025, 0.01, 0.005, 0.0025, 0.001, 0.0005, 0.00025, 0.0001,
                0.00005, 0.000025, 0.00001, 0.000005)
STATES = {0: "Extended (1.5)", 1: "Normal (1.0)", 2: "Weakened (0.5)", 3: "Undetectable (0.0)",
          4: "Unspecific (-0.5)", 6: "No binding (-1.0)"}
# The p-value levels a state can be decided by: P / 10, P, 10 P and 100 P for every significance P.
LEVELS = sorted(set(round(p * f, 12) for p in SIGNIFICANCE for f in (0.1, 1, 10, 100)))
ADJUSTMENTS = ("none", "windows", "all")
MAX_COUNT = 1e9    # counts beyond this are no counts; they would overflow the weights' range
MAX_LENGTH = 100   # the exact score distribution grows with the length; real motifs stay far below
CODES = {"A": 0, "C": 1, "G": 2, "T": 3, "U": 3}
DNA_LETTERS = set("ACGTUNRYKMSWBDHV")

HELP = """usage: rsnp.py --sign N --snpdm1 STATE --snpdm2 STATE -f SEQUENCE -s SEQUENCE
               [--adjust none|windows|all] [--matrices FILE]

Prints "PRESENT:<answer>": the transcription factors whose best binding site over the changed
bases is in binding state --snpdm1 in the first sequence (-f, reference) and in state --snpdm2 in
the second (-s, with the variation), as
  <factor name> <matrix id> (first score <bits> p=<p-value> <strand><start>, second score ...)[; ...]
sorted by the first sequence's p-value, or "none".

Options:
  --sign N         significance level P by code: 0=0.33 1=0.25 2=0.1 3=0.05 4=0.025 5=0.01
                   6=0.005 7=0.0025 8=0.001 9=0.0005 10=0.00025 11=0.0001 12=0.00005
                   13=0.000025 14=0.00001 15=0.000005
  --snpdm1 STATE   binding state asked for the first sequence, --snpdm2 for the second
                   (the first rule that holds decides):
                   0 Extended      p <= P/10
                   1 Normal        p <= P
                   2 Weakened      p <= 10 P
                   3 Undetectable  p <= 100 P
                   4 Unspecific    p > 100 P and score > 0 bits
                   6 No binding    p > 100 P and score <= 0 bits
                   where p is the exact p-value of the site's score under a uniform background
  -f SEQUENCE      reference DNA around the variation
  -s SEQUENCE      the same DNA with the variation's allele
  --adjust MODE    none (default): p is the p-value of one site, NOT corrected for the number
                   of windows and matrices scanned; with 579 matrices some factor reaches
                   "Normal" by chance in most sequences. windows: Bonferroni over the windows
                   and strands that overlap the change (p x m); all: over those and all matrices
                   (p x m x matrices). The states are then decided on the adjusted p-value, which
                   the answer adds as "adjusted p=".
  --matrices FILE  count matrices (default $NX_RSNP_MATRICES, else
                   <script dir>/data/jaspar/JASPAR2018_CORE_vertebrates.txt)

Data format (plain or gzip): JASPAR count matrices, per factor a header line ">ID NAME" and four
rows "A [ n1 n2 ... ]", "C [ ... ]", "G [ ... ]", "T [ ... ]" of counts per position (the brackets
are optional; counts are finite numbers from 0 to 1e9, at most 100 positions). Any JASPAR
collection in this format can replace the shipped one.
Pre-parsed copies are kept in $NX_SNP_CACHE_DIR (default ~/.cache/nolix/snp_scripts).
Exit status: 0 answered, 1 unreadable or malformed data, 2 bad command line.
"""


def read_matrices(path):
    """[(id, name, [[nA, nC, nG, nT] per position])] from a JASPAR-format file."""
    matrices = []
    current = None
    for number, line in sc.lines(path):
        line = line.strip()
        if not line:
            continue
        if line.startswith(">"):
            head = line[1:].split(None, 1)
            if not head:
                raise sc.DataError("%s:%d: matrix header without an id" % (path, number))
            current = (head[0], head[1].strip() if len(head) > 1 else head[0], {})
            matrices.append(current)
            continue
        base = line[0].upper()
        if current is None or base not in "ACGT" or base in current[2]:
            raise sc.DataError("%s:%d: expected a '>' header or one row each of A, C, G, T" % (path, number))
        where = "%s:%d" % (path, number)
        current[2][base] = [sc.finite_number(v, where, "a count", MAX_COUNT)
                            for v in line[1:].replace("[", " ").replace("]", " ").split()]
        if len(current[2][base]) > MAX_LENGTH:
            raise sc.DataError("%s: matrix %s is longer than %d positions" % (where, current[0], MAX_LENGTH))
    result = []
    for mid, name, rows in matrices:
        if sorted(rows) != ["A", "C", "G", "T"] or len(set(len(r) for r in rows.values())) != 1 \
                or not rows["A"]:
            raise sc.DataError("%s: matrix %s needs four rows A, C, G, T of equal, non-zero length" % (path, mid))
        columns = [[rows[b][j] for b in "ACGT"] for j in range(len(rows["A"]))]
        if any(sum(c) <= 0 or min(c) < 0 for c in columns):
            raise sc.DataError("%s: matrix %s has a column without counts or a negative count" % (path, mid))
        result.append((mid, name, columns))
    if not result:
        raise sc.DataError("%s holds no matrix" % path)
    return result


def integer_weights(columns):
    """Rows [W_A, W_C, W_G, W_T, W_N] of integer log-odds weights (SCALE steps per bit)."""
    import math
    rows = []
    for counts in columns:
        total = sum(counts)
        pseudo = math.sqrt(total)
        w = [int(round(SCALE * math.log2((n + 0.25 * pseudo) / (total + pseudo) / 0.25))) for n in counts]
        rows.append(w + [min(w)])
    return rows


def score_counts(rows):
    """(lowest score, counts): counts[k] = number of L-mers scoring lowest + k (exact integers)."""
    lows = [min(r[:4]) for r in rows]
    span = sum(max(r[:4]) - lo for r, lo in zip(rows, lows))
    width = 2 * len(rows) + 2                 # 4^L < 2^width: a slot never overflows into the next
    width = (width + 7) // 8 * 8              # whole bytes make the slots easy to read back
    poly = 1
    for r, lo in zip(rows, lows):
        step = 0
        for w in r[:4]:
            step += poly << (width * (w - lo))
        poly = step
    raw = poly.to_bytes((span + 1) * width // 8, "little")
    size = width // 8
    counts = [int.from_bytes(raw[k * size:(k + 1) * size], "little") for k in range(span + 1)]
    return sum(lows), counts


def tail_counts(counts):
    """tail[k] = sum of counts[k:] (the number of L-mers scoring at least lowest + k)."""
    tail = [0] * (len(counts) + 1)
    for k in range(len(counts) - 1, -1, -1):
        tail[k] = tail[k + 1] + counts[k]
    return tail


def thresholds(rows):
    """Per LEVELS entry the lowest integer score whose p-value is at most that level."""
    low, counts = score_counts(rows)
    tail = tail_counts(counts)
    total = 4 ** len(rows)
    result = []
    k = len(counts)  # tail[len] = 0 <= any level
    for level in LEVELS:  # ascending levels allow ever lower scores
        limit = level * total
        while k > 0 and tail[k - 1] <= limit:
            k -= 1
        result.append(low + k)
    return result


def reverse_complement(rows):
    return [[r[3], r[2], r[1], r[0], r[4]] for r in reversed(rows)]


def load_matrices(path):
    def build():
        out = []
        for mid, name, columns in read_matrices(path):
            rows = integer_weights(columns)
            out.append((mid, name, tuple(map(tuple, rows)), tuple(map(tuple, reverse_complement(rows))),
                        tuple(thresholds(rows))))
        return out
    return sc.cached("jaspar", [path], build)


_scanners = {}  # matrix file -> (file stamp, motifscan.Scanner), built once per interpreter


def scanner(path, matrices):
    stamp = sc.file_stamp(path)
    kept = _scanners.get(stamp[0])
    if kept is not None and kept[0] == stamp:
        return kept[1]
    import motifscan
    result = motifscan.Scanner(sc.cached("jaspar-lanes", [path], lambda: motifscan.build(matrices), keep=False))
    _scanners[stamp[0]] = (stamp, result)
    return result


def p_value(path, matrix, score):
    """Exact p-value of an integer score; the matrix's distribution is cached once computed."""
    mid, _, rows = matrix[0], matrix[1], matrix[2]

    def build():
        low, counts = score_counts(rows)
        return (low, tail_counts(counts))

    low, tail = sc.cached("jaspar-dist-" + mid.replace("/", "_"), [path], build)
    k = min(max(score - low, 0), len(tail) - 1)
    return tail[k] / float(4 ** len(rows))


def encode(sequence):
    return [CODES.get(c, 4) for c in sequence]


def changed_region(first, second):
    """[start, end) of the changed bases in each sequence, or None when the sequences are equal."""
    if first == second:
        return None
    n = min(len(first), len(second))
    p = 0
    while p < n and first[p] == second[p]:
        p += 1
    s = 0
    while s < n - p and first[-1 - s] == second[-1 - s]:
        s += 1
    regions = []
    for seq in (first, second):
        start, end = p, len(seq) - s
        if end == start:  # nothing of this sequence changed (an insertion into the other): its junction did
            start, end = max(0, start - 1), min(len(seq), start + 1)
        regions.append((start, end))
    return regions


def best_site(codes, start, end, matrix):
    """(score, strand, 1-based window start) of the best window overlapping [start, end), or None."""
    fwd, rev = matrix[2], matrix[3]
    length = len(fwd)
    best = None
    pick = tuple.__getitem__
    for i in range(max(0, start - length + 1), min(end, len(codes) - length + 1)):
        window = codes[i:i + length]
        score = sum(map(pick, fwd, window))
        if best is None or score > best[0]:
            best = (score, "+", i + 1)
        score = sum(map(pick, rev, window))
        if score > best[0]:
            best = (score, "-", i + 1)
    return best


def best_site_pair(codes1, codes2, region, matrix):
    """best_site of both sequences when they have the same length and differ only inside region.

    A window of the second sequence scores as the same window of the first plus the weight changes
    of the changed bases it covers, which halves the work of the common single-base case."""
    fwd, rev = matrix[2], matrix[3]
    length = len(fwd)
    start, end = region
    changed = [k for k in range(start, end) if codes1[k] != codes2[k]]
    best1 = best2 = None
    pick = tuple.__getitem__
    for i in range(max(0, start - length + 1), min(end, len(codes1) - length + 1)):
        window = codes1[i:i + length]
        for strand, rows in (("+", fwd), ("-", rev)):
            score = sum(map(pick, rows, window))
            if best1 is None or score > best1[0]:
                best1 = (score, strand, i + 1)
            for k in changed:
                if i <= k < i + length:
                    row = rows[k - i]
                    score += row[codes2[k]] - row[codes1[k]]
            if best2 is None or score > best2[0]:
                best2 = (score, strand, i + 1)
    return best1, best2


def state_of(score, thresholds, level_index):
    """Binding state code of an integer score, by the rules of the top comment: the p-value
    levels first (a score reaches a level when it is at least the level's threshold), then the
    sign of the score for the sites that reach none of them."""
    for code in (0, 1, 2, 3):
        if score >= thresholds[level_index[code]]:
            return code
    return 4 if score > 0 else 6


def state_of_p(score, p, significance):
    """The same rules for a site whose (adjusted) p-value is known."""
    for code, factor in ((0, 0.1), (1, 1), (2, 10), (3, 100)):
        if p <= round(significance * factor, 12):
            return code
    return 4 if score > 0 else 6


def window_count(length, sequence_length, region):
    """Number of windows (per strand) of a matrix of this length that overlap region."""
    start, end = region
    return max(0, min(end, sequence_length - length + 1) - max(0, start - length + 1))


def answer(first, second, significance, state1, state2, path, adjust="none"):
    regions = changed_region(first, second)
    if regions is None:
        return "none"
    matrices = load_matrices(path)
    p = SIGNIFICANCE[significance]
    level_index = [LEVELS.index(round(p * f, 12)) for f in (0.1, 1, 10, 100)]
    codes = (encode(first), encode(second))
    same_length = len(first) == len(second) and regions[0] == regions[1]
    scan = scanner(path, matrices)
    if same_length and regions[0][1] - regions[0][0] == 1:
        scores = scan.substitution_scores(codes[0], codes[1], regions[0][0])
    else:
        scores = [scan.best_scores(c, region) for c, region in zip(codes, regions)]
    wanted = (state1, state2)
    hits = []
    for matrix, best1, best2 in zip(matrices, scores[0], scores[1]):
        if best1 is None or best2 is None:
            continue  # a sequence shorter than the matrix
        if adjust == "none":
            if state_of(best1, matrix[4], level_index) != state1 or state_of(best2, matrix[4], level_index) != state2:
                continue
            adjusted = None
        else:
            # Bonferroni: the best of m sites is as surprising as a single site with m times its p-value.
            factors = [2 * window_count(len(matrix[2]), len(c), region) * (len(matrices) if adjust == "all" else 1)
                       for c, region in zip(codes, regions)]
            adjusted = [min(1.0, m * p_value(path, matrix, s)) for m, s in zip(factors, (best1, best2))]
            if state_of_p(best1, adjusted[0], p) != state1 or state_of_p(best2, adjusted[1], p) != state2:
                continue
        # Strand and start of the reported sites: the first best window, scanning as below.
        if same_length:
            sites = best_site_pair(codes[0], codes[1], regions[0], matrix)
        else:
            sites = [best_site(c, start, end, matrix) for c, (start, end) in zip(codes, regions)]
        if (sites[0][0], sites[1][0]) != (best1, best2):
            raise AssertionError("lane scan and window scan disagree on %s" % matrix[0])
        hits.append((matrix, sites, adjusted))
    if not hits:
        return "none"
    reported = []
    for matrix, sites, adjusted in hits:
        pvalues = [p_value(path, matrix, site[0]) for site in sites]
        parts = []
        for k, (which, site, pv) in enumerate(zip(("first", "second"), sites, pvalues)):
            text = "%s score %.2f p=%.2g" % (which, site[0] / float(SCALE), pv)
            if adjusted is not None:
                text += " adjusted p=%.2g" % adjusted[k]
            parts.append("%s %s%d" % (text, site[1], site[2]))
        reported.append((pvalues[0], matrix[0], "%s %s (%s)" % (matrix[1], matrix[0], ", ".join(parts))))
    reported.sort()
    return "; ".join(r[2] for r in reported)


def _sequence(text, option):
    seq = "".join(text.split()).upper()
    if not seq:
        raise sc.UsageError("%s needs a non-empty DNA sequence" % option)
    bad = sorted(set(seq) - DNA_LETTERS)
    if bad:
        raise sc.UsageError("%s holds characters that are no nucleotides: %s" % (option, "".join(bad)))
    return seq


def _state(text, option):
    code = sc.parse_int(text, option)
    if code not in STATES:
        raise sc.UsageError("%s must be a binding state code (0-4 or 6), not %d" % (option, code))
    return code


def _body(argv):
    opts = sc.parse_options(argv, ("--sign", "--snpdm1", "--snpdm2", "-f", "-s", "--matrices", "--adjust"),
                            ("--sign", "--snpdm1", "--snpdm2", "-f", "-s"))
    adjust = opts.get("--adjust", "none")
    if adjust not in ADJUSTMENTS:
        raise sc.UsageError("--adjust must be one of %s, not %r" % (", ".join(ADJUSTMENTS), adjust))
    significance = sc.parse_int(opts["--sign"], "--sign", 0)
    if significance >= len(SIGNIFICANCE):
        raise sc.UsageError("--sign must be a significance code from 0 to 15, not %d" % significance)
    state1 = _state(opts["--snpdm1"], "--snpdm1")
    state2 = _state(opts["--snpdm2"], "--snpdm2")
    first = _sequence(opts["-f"], "-f")
    second = _sequence(opts["-s"], "-s")
    path = sc.data_path(opts.get("--matrices"), "NX_RSNP_MATRICES",
                        os.path.join("jaspar", "JASPAR2018_CORE_vertebrates.txt"))
    sc.emit(RESULT_KEY, answer(first, second, significance, state1, state2, path, adjust))
    return 0


def warm():
    """Loads the default matrices and their lane tables into this interpreter, so that children
    forked from it after this call answer without reading them. Prints nothing; returns False
    when the data cannot be read (a request then reports why)."""
    path = sc.data_path(None, "NX_RSNP_MATRICES", os.path.join("jaspar", "JASPAR2018_CORE_vertebrates.txt"))
    return sc.warmed(lambda: scanner(path, load_matrices(path)))


def main(argv):
    return sc.run(NAME, argv, _body, HELP)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
