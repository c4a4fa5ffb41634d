#!/usr/bin/env python3
"""Protein stability 1D: sequence-only estimate of the folding free-energy change of a substitution.

Model (DDGun sequence score, Montanucci et al., BMC Bioinformatics 20(Suppl 14):335, 2019, without
a homologue profile; the terms are documented in stability.py):
    ddG = 0.27 * s_hyd + 0.30 * s_sub - 0.43 * s_seq
    s_hyd = KD(M) - KD(W)                       Kyte-Doolittle hydropathy, AAindex KYTJ820101
    s_sub = (BLOSUM62(M, M) - BLOSUM62(W, W)) / 2   AAindex HENS920102 (1/3-bit units); the profile
                                                term of DDGun with the profile {W: 1/2, M: 1/2}
    s_seq = sum over the residues a_j within 2 positions of i of SKOJ(a_j, M) - SKOJ(a_j, W)
                                                Skolnick contact potential, AAindex SKOJ970101
W is the residue of the sequence at the position, M the new one. Sign convention:
ddG = dG_unfold(mutant) - dG_unfold(wild type) in kcal/mol, negative = destabilising. Every term
is antisymmetric, so the reverse substitution (M -> W in the mutant sequence) gives exactly -ddG.

Printed answer "STABILITY_1D:<ddG with two decimals>" and a second line "STABILITY_1D_TERMS:..."
with the three terms. Requests the model cannot answer are no errors and print a reason instead
of the number: a stop codon or unknown amino acid on either side ("not applicable (...)") or a
position beyond the end of the protein (a change of the stop codon itself).
"""

import os
import sys

if __name__ != "__main__" and os.path.dirname(os.path.abspath(__file__)) not in sys.path:
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import snpcommon as sc
import aaindex
import stability as st
from pdbstructure import amino_letter

NAME = "protstability1d.py"
# A run keeps nothing but caches of the data files every run reads: runs may share one
# pre-started process.
NX_INDEPENDENT_RUNS = True
RESULT_KEY = "STABILITY_1D"
PROTEIN_LETTERS = set("ACDEFGHIKLMNPQRSTVWYBZJUOX*")

HELP = """usage: protstability1d.py -p POSITION -s FASTA -t AMINO_ACID [--aaindex DIR]

Prints "STABILITY_1D:<ddG>" (kcal/mol, two decimals; ddG = dG_unfold(mutant) - dG_unfold(wild
type), negative = destabilising) for the substitution of the residue at POSITION by AMINO_ACID,
and "STABILITY_1D_TERMS:s_hyd=.. s_sub=.. s_seq=.." with the terms of the estimate.
Prints "STABILITY_1D:not applicable (<reason>)" when the model has no answer: a stop codon or an
unknown residue on either side, or a position past the last residue.

Options:
  -p POSITION    1-based position of the changed residue
  -s FASTA       the protein as one FASTA record (">name" line, then the letters); a bare
                 sequence without the header line is accepted too
  -t AMINO_ACID  the residue after the change (one letter or three-letter code)
  --aaindex DIR  AAindex folder (default $NX_AAINDEX_DIR, else <script dir>/data/aaindex)

Data formats:
""" + aaindex.HELP + """
Pre-parsed copies are kept in $NX_SNP_CACHE_DIR (default ~/.cache/nolix/snp_scripts).
Exit status: 0 answered, 1 unreadable or malformed data, 2 bad command line.
"""


def parse_fasta(text):
    lines = text.replace("\\n", "\n").splitlines()
    if lines and lines[0].startswith(">"):
        lines = lines[1:]
    if any(line.startswith(">") for line in lines):
        raise sc.UsageError("-s must hold one FASTA record, not several")
    sequence = "".join("".join(lines).split()).upper()
    if not sequence:
        raise sc.UsageError("-s holds no protein sequence")
    bad = sorted(set(sequence) - PROTEIN_LETTERS)
    if bad:
        raise sc.UsageError("-s holds characters that are no amino acids: %s" % "".join(bad))
    return sequence


def answer(sequence, position, mutant, folder):
    if position > len(sequence):
        return "not applicable (position %d is past the last residue %d)" % (position, len(sequence)), None
    wild = sequence[position - 1]
    for letter, side in ((wild, "wild-type"), (mutant, "new")):
        if letter == "*":
            return "not applicable (%s residue is a stop codon)" % side, None
        if letter not in aaindex.AMINO:
            return "not applicable (%s residue %s is no standard amino acid)" % (side, letter), None
    tables = aaindex.load(folder, indices=(st.KD,), matrices=((st.BLOSUM, "aaindex2"), (st.SKOLNICK, "aaindex3")))
    try:
        ddg, s_hyd, s_sub, s_seq = st.ddg_1d(tables, sequence, position - 1, mutant)
    except KeyError as e:
        raise sc.DataError("AAindex data in %s: %s" % (folder, e.args[0]))
    return st.format_ddg(ddg), "s_hyd=%.3f s_sub=%.3f s_seq=%.3f" % (s_hyd, s_sub, s_seq)


def _body(argv):
    opts = sc.parse_options(argv, ("-p", "-s", "-t", "--aaindex"), ("-p", "-s", "-t"))
    position = sc.parse_int(opts["-p"], "-p", 1)
    sequence = parse_fasta(opts["-s"])
    mutant = amino_letter(opts["-t"], "-t")
    value, terms = answer(sequence, position, mutant, aaindex.folder(opts.get("--aaindex")))
    sc.emit(RESULT_KEY, value)
    if terms:
        sc.emit(RESULT_KEY + "_TERMS", terms)
    return 0


def warm():
    """Loads the default AAindex tables into this interpreter (see rsnp.warm)."""
    return sc.warmed(lambda: aaindex.load(aaindex.folder(None), indices=(st.KD,),
                                          matrices=((st.BLOSUM, "aaindex2"), (st.SKOLNICK, "aaindex3"))))


def main(argv):
    return sc.run(NAME, argv, _body, HELP)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
