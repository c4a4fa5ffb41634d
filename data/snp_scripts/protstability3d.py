#!/usr/bin/env python3
"""Protein stability 3D: structure-based estimate of the folding free-energy change of a substitution.

Model (DDGun3D, Montanucci et al., BMC Bioinformatics 20(Suppl 14):335, 2019, without a homologue
profile and with burial from neighbour counts instead of DSSP; terms in stability.py):
    ddG = (0.18 * s_hyd + 0.20 * s_sub - 0.29 * s_seq - 0.33 * s_3d) * (1.1 - ac)
    s_hyd, s_sub, s_seq  as in protstability1d.py, over the structure chain's residues
    s_3d = sum over residues r of the chain with a heavy atom within 5.0 A of a heavy atom of the
           changed residue of BASU(a_r, M) - BASU(a_r, W)   (Bastolla-Vendruscolo, AAindex BASU010101)
    ac   = relative accessibility from burial: n = number of C-alpha atoms of the structure within
           10 A of the residue's C-beta (C-alpha for glycine), ac = min(1, max(0, (24 - n) / 20)),
           i.e. fully exposed at 4 or fewer neighbours, fully buried at 24 or more (neighbour counts
           as accessibility proxy: Durham et al., J. Mol. Model. 15:1093, 2009)
W is the residue the structure holds at the position, M the new one. Sign convention:
ddG = dG_unfold(mutant) - dG_unfold(wild type) in kcal/mol, negative = destabilising.

Printed answer "STABILITY_3D:<ddG with two decimals>" and "STABILITY_3D_TERMS:..." with the terms.
Requests the data cannot answer are no errors and print a reason instead of the number:
"no structure for <accession>", "no residue <chain> <number> in <structure>", or
"not applicable (...)" for a stop codon or a non-standard residue.
"""

import os
import sys

if __name__ != "__main__" and os.path.dirname(os.path.abspath(__file__)) not in sys.path:
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import snpcommon as sc
import aaindex
import pdbstructure as ps
import stability as st

NAME = "protstability3d.py"
RESULT_KEY = "STABILITY_3D"
CONTACT = 5.0
BURIAL_RADIUS = 10.0
EXPOSED_AT, BURIED_AT = 4, 24

HELP = """usage: protstability3d.py -c CHAIN -i ACCESSION -p POSITION -t AMINO_ACID
                          [--pdb-map FILE] [--pdb-dir DIR] [--aaindex DIR]

Prints "STABILITY_3D:<ddG>" (kcal/mol, two decimals; ddG = dG_unfold(mutant) - dG_unfold(wild
type), negative = destabilising) for the substitution of the residue at protein position POSITION
of the structure mapped to ACCESSION and CHAIN, and "STABILITY_3D_TERMS:..." with the terms,
the burial estimate and the residue used. Instead of the number it prints
  no structure for <accession>           no local structure is known for the accession
  no residue <chain> <number> in <id>    the mapped chain has no residue with that number
  not applicable (<reason>)              stop codon or non-standard residue

Options:
  -c CHAIN         chain of the request ("A")
  -i ACCESSION     the gene's accession
  -p POSITION      1-based position in the protein (mapped to the file's numbering by the offset)
  -t AMINO_ACID    the residue after the change (one letter or three-letter code)
  --pdb-map FILE   accession map (default $NX_PDB_MAP, else <script dir>/data/pdb/pdb_map.tsv)
  --pdb-dir DIR    structure folder (default $NX_PDB_DIR, else <script dir>/data/pdb)
  --aaindex DIR    AAindex folder (default $NX_AAINDEX_DIR, else <script dir>/data/aaindex)

Data formats:
""" + ps.MAP_HELP + "\n" + aaindex.HELP + """
Pre-parsed copies are kept in $NX_SNP_CACHE_DIR (default ~/.cache/nolix/snp_scripts).
Exit status: 0 answered, 1 unreadable or malformed data, 2 bad command line.
"""


def _is_hydrogen(atom):
    return atom[6] in ("H", "D")


def chain_residues(structure, chain):
    """{residue number: (name, heavy atoms)} of the chain's amino acids (insertion codes left out)."""
    residues = {}
    for a in structure["atoms"]:
        if a[1] == chain and a[3] == "" and a[4] in ps.THREE_TO_ONE and not _is_hydrogen(a):
            residues.setdefault(a[2], (a[4], []))[1].append(a)
    return residues


def burial(structure, atoms):
    centre = next((a for a in atoms if a[5] == "CB"), None) or next((a for a in atoms if a[5] == "CA"), None)
    if centre is None:
        return None
    r2 = BURIAL_RADIUS * BURIAL_RADIUS
    count = 0
    for a in structure["atoms"]:
        if a[5] == "CA" and a[4] in ps.THREE_TO_ONE and a is not centre and not (
                a[1] == centre[1] and a[2] == centre[2] and a[3] == centre[3]):
            if (a[7] - centre[7]) ** 2 + (a[8] - centre[8]) ** 2 + (a[9] - centre[9]) ** 2 <= r2:
                count += 1
    return count


def accessibility(neighbours):
    return min(1.0, max(0.0, float(BURIED_AT - neighbours) / (BURIED_AT - EXPOSED_AT)))


def answer(accession, chain, position, mutant, map_path, struct_dir, aa_dir):
    where = ps.locate(accession, chain, map_path, struct_dir)
    if where is None:
        return "no structure for %s" % accession, None
    path, file_chain, offset = where
    structure = ps.load(path)
    number = position + offset
    residues = chain_residues(structure, file_chain)
    if number not in residues:
        return "no residue %s %d in %s" % (file_chain, number, structure["id"]), None
    name, atoms = residues[number]
    wild = ps.THREE_TO_ONE[name]
    if mutant == "*":
        return "not applicable (new residue is a stop codon)", None
    if wild not in aaindex.AMINO or mutant not in aaindex.AMINO:
        return "not applicable (%s is no standard amino acid)" % (name if wild not in aaindex.AMINO else mutant), None
    window = "".join(ps.THREE_TO_ONE[residues[j][0]] for j in (number - 2, number - 1, number + 1, number + 2)
                     if j in residues)
    contacts = ""
    for j, (other, other_atoms) in sorted(residues.items()):
        if j != number:
            d = ps.min_distance(atoms, other_atoms)
            if d is not None and d <= CONTACT:
                contacts += ps.THREE_TO_ONE[other]
    neighbours = burial(structure, atoms)
    if neighbours is None:
        return "not applicable (%s %s%d has no C-alpha atom)" % (structure["id"], name, number), None
    ac = accessibility(neighbours)
    tables = aaindex.load(aa_dir, indices=(st.KD,),
                          matrices=((st.BLOSUM, "aaindex2"), (st.SKOLNICK, "aaindex3"), (st.BASTOLLA, "aaindex3")))
    try:
        ddg, s_hyd, s_sub, s_seq, s_3d = st.ddg_3d(tables, wild, window, contacts, ac, mutant)
    except KeyError as e:
        raise sc.DataError("AAindex data in %s: %s" % (aa_dir, e.args[0]))
    terms = ("s_hyd=%.3f s_sub=%.3f s_seq=%.3f s_3d=%.3f ac=%.2f neighbours=%d contacts=%d residue=%s %s %s%d"
             % (s_hyd, s_sub, s_seq, s_3d, ac, neighbours, len(contacts), structure["id"], file_chain, name, number))
    return st.format_ddg(ddg), terms


def _body(argv):
    opts = sc.parse_options(argv, ("-c", "-i", "-p", "-t", "--pdb-map", "--pdb-dir", "--aaindex"),
                            ("-c", "-i", "-p", "-t"))
    chain = opts["-c"].strip()
    if len(chain) != 1:
        raise sc.UsageError("-c must be one chain letter, not %r" % opts["-c"])
    accession = opts["-i"].strip()
    if not accession:
        raise sc.UsageError("-i needs a non-empty accession")
    position = sc.parse_int(opts["-p"], "-p", 1)
    mutant = ps.amino_letter(opts["-t"], "-t")
    map_path, struct_dir = ps.map_paths(opts.get("--pdb-map"), opts.get("--pdb-dir"))
    value, terms = answer(accession, chain, position, mutant, map_path, struct_dir,
                          aaindex.folder(opts.get("--aaindex")))
    sc.emit(RESULT_KEY, value)
    if terms:
        sc.emit(RESULT_KEY + "_TERMS", terms)
    return 0


def main(argv):
    return sc.run(NAME, argv, _body, HELP)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
