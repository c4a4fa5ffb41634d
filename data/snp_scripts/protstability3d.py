#!/usr/bin/env python3
"""Protein stability 3D: structure-based estimate of the folding free-energy change of a substitution.

Model (DDGun3D, Montanucci et al., BMC Bioinformatics 20(Suppl 14):335, 2019, without a homologue
profile and with burial from neighbour counts instead of DSSP; terms in stability.py):
    ddG = (0.18 * s_hyd + 0.20 * s_sub - 0.29 * s_seq - 0.33 * s_3d) * (1.1 - ac)
    s_hyd, s_sub, s_seq  as in protstability1d.py, over the structure chain's residues
    s_3d = sum over residues r of the chain in contact with the position of BASU(a_r, M) - BASU(a_r, W)
           (Bastolla-Vendruscolo, AAindex BASU010101); contact: the C-beta of r (C-alpha for
           glycine) within 8 A of the position's C-beta (the CASP contact definition)
    ac   = relative accessibility from burial: n = heavy atoms of other residues and of non-water
           ligands (a haem counts) within 10 A of the position's C-beta, in residue equivalents of
           7.8 atoms; ac = min(1, max(0, (24 - n) / 20)), i.e. fully exposed at 4 or fewer
           neighbours, fully buried at 24 or more (neighbour counts as accessibility proxy:
           Durham et al., J. Mol. Model. 15:1093, 2009)
The position's C-beta is placed from its backbone atoms N, CA, C with ideal geometry, for glycine
too, so contacts and burial describe the position and not the residue in it: the reverse
substitution M -> W in the same environment scores exactly -ddG.
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
# A run keeps nothing but caches of the data files every run reads: runs may share one
# pre-started process.
NX_INDEPENDENT_RUNS = True
RESULT_KEY = "STABILITY_3D"
CONTACT = 8.0            # C-beta to C-beta
BURIAL_RADIUS = 10.0
ATOMS_PER_RESIDUE = 7.8  # heavy atoms of an average residue
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


def virtual_cb(atoms):
    """C-beta placed from the backbone (N, CA, C) with ideal geometry, the same for every residue
    type, so the environment of a position does not depend on the residue that occupies it."""
    by_name = {a[5]: a for a in atoms}
    if not all(n in by_name for n in ("N", "CA", "C")):
        return None
    n, ca, c = ([by_name[k][7], by_name[k][8], by_name[k][9]] for k in ("N", "CA", "C"))
    b = [ca[i] - n[i] for i in range(3)]
    d = [c[i] - ca[i] for i in range(3)]
    a = [b[1] * d[2] - b[2] * d[1], b[2] * d[0] - b[0] * d[2], b[0] * d[1] - b[1] * d[0]]
    return tuple(-0.58273431 * a[i] + 0.56802827 * b[i] - 0.54067466 * d[i] + ca[i] for i in range(3))


def chain_view(structure, chain):
    """Per chain, computed once per parsed structure: {number: (name, heavy atoms)} of the amino
    acids (insertion codes left out), their contact points (C-beta, C-alpha for glycine), and
    every heavy atom of the structure that is no water, with its residue, binned into a grid of
    BURIAL_RADIUS cells."""
    return ps.derived(structure, "stability-view-" + chain, lambda s: _chain_view(s, chain))


def _chain_view(structure, chain):
    residues = {}
    for a in structure["atoms"]:
        if a[1] == chain and a[3] == "" and a[4] in ps.THREE_TO_ONE and not _is_hydrogen(a):
            residues.setdefault(a[2], (a[4], []))[1].append(a)
    points = {}
    for number, (name, atoms) in residues.items():
        point = next((a for a in atoms if a[5] == "CB"), None) or next((a for a in atoms if a[5] == "CA"), None)
        if point is not None:
            points[number] = (point[7], point[8], point[9])
    grid = {}
    for a in structure["atoms"]:
        if not _is_hydrogen(a) and a[4] not in ps.WATERS:
            cell = (int(a[7] // BURIAL_RADIUS), int(a[8] // BURIAL_RADIUS), int(a[9] // BURIAL_RADIUS))
            grid.setdefault(cell, []).append((a[1], a[2], a[3], a[7], a[8], a[9]))
    return residues, points, grid


def burial(grid, chain, number, centre):
    """Heavy atoms of other residues and of non-water ligands within BURIAL_RADIUS of centre, in
    residue equivalents (ATOMS_PER_RESIDUE heavy atoms each); the residue's own atoms do not count."""
    r2 = BURIAL_RADIUS * BURIAL_RADIUS
    cx, cy, cz = centre
    gx, gy, gz = int(cx // BURIAL_RADIUS), int(cy // BURIAL_RADIUS), int(cz // BURIAL_RADIUS)
    count = 0
    for dx in (-1, 0, 1):
        for dy in (-1, 0, 1):
            for dz in (-1, 0, 1):
                for a in grid.get((gx + dx, gy + dy, gz + dz), ()):
                    if (a[3] - cx) ** 2 + (a[4] - cy) ** 2 + (a[5] - cz) ** 2 <= r2 and not (
                            a[0] == chain and a[1] == number and a[2] == ""):
                        count += 1
    return count / ATOMS_PER_RESIDUE


def accessibility(neighbours):
    return min(1.0, max(0.0, float(BURIED_AT - neighbours) / (BURIED_AT - EXPOSED_AT)))


def answer(accession, chain, position, mutant, map_path, struct_dir, aa_dir):
    where = ps.locate(accession, chain, map_path, struct_dir)
    if where is None:
        return "no structure for %s" % accession, None
    path, file_chain, offset = where
    structure = ps.load(path)
    number = position + offset
    residues, points, grid = chain_view(structure, file_chain)
    if number not in residues:
        return "no residue %s %d in %s" % (file_chain, number, structure["id"]), None
    name, atoms = residues[number]
    wild = ps.THREE_TO_ONE[name]
    if mutant == "*":
        return "not applicable (new residue is a stop codon)", None
    if wild not in aaindex.AMINO or mutant not in aaindex.AMINO:
        return "not applicable (%s is no standard amino acid)" % (name if wild not in aaindex.AMINO else mutant), None
    centre = virtual_cb(atoms)
    if centre is None:
        return "not applicable (%s %s%d lacks a backbone atom N, CA or C)" % (structure["id"], name, number), None
    window = "".join(ps.THREE_TO_ONE[residues[j][0]] for j in (number - 2, number - 1, number + 1, number + 2)
                     if j in residues)
    c2 = CONTACT * CONTACT
    contacts = "".join(ps.THREE_TO_ONE[residues[j][0]] for j, pt in sorted(points.items())
                       if j != number and (pt[0] - centre[0]) ** 2 + (pt[1] - centre[1]) ** 2
                       + (pt[2] - centre[2]) ** 2 <= c2)
    neighbours = burial(grid, file_chain, number, centre)
    ac = accessibility(neighbours)
    tables = aaindex.load(aa_dir, indices=(st.KD,),
                          matrices=((st.BLOSUM, "aaindex2"), (st.SKOLNICK, "aaindex3"), (st.BASTOLLA, "aaindex3")))
    try:
        ddg, s_hyd, s_sub, s_seq, s_3d = st.ddg_3d(tables, wild, window, contacts, ac, mutant)
    except KeyError as e:
        raise sc.DataError("AAindex data in %s: %s" % (aa_dir, e.args[0]))
    terms = ("s_hyd=%.3f s_sub=%.3f s_seq=%.3f s_3d=%.3f ac=%.2f neighbours=%.1f contacts=%d residue=%s %s %s%d"
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


def warm():
    """Loads the default AAindex tables and every structure of the default accession map, with
    the per-chain data of the mapped chains, into this interpreter (see rsnp.warm)."""
    def load():
        aaindex.load(aaindex.folder(None), indices=(st.KD,),
                     matrices=((st.BLOSUM, "aaindex2"), (st.SKOLNICK, "aaindex3"), (st.BASTOLLA, "aaindex3")))
        for path, chain in ps.mapped_structures(*ps.map_paths(None, None)):
            chain_view(ps.load(path), chain)
    return sc.warmed(load)


def main(argv):
    return sc.run(NAME, argv, _body, HELP)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
