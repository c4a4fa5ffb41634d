#!/usr/bin/env python3
"""SNP to PDB site: does an amino-acid change hit an annotated site of the protein's structure?

Model: a residue belongs to a functional site when the structure's authors list it in a SITE
record (with its REMARK 800 description, e.g. "BINDING SITE FOR RESIDUE HEM A 142"), or when it
touches a bound ligand: any atom within 4.0 A of any ligand atom (the usual contact cut-off of
binding-site definitions, e.g. the PDB's own site annotation, Berman et al., Nucleic Acids Res.
28:235, 2000; water is no ligand). Distances are Euclidean between atom centres:
    d(r, l) = min over atoms a of r, b of l of |x_a - x_b|,   contact <=> d <= 4.0 A

Steps:
  1. parse the change text ("A <position> <from> -> <to>", quotes allowed);
  2. find the structure of the accession and chain (accession map, see --help) and the residue
     at file number = position + offset;
  3. compare the structure's residue with <from> and say so when they differ;
  4. list the SITE records that hold the residue and the ligands within 4 A.
Printed answer "PDB_SITE:<structure> <chain> <residue><number>[ (...)]: <sites>"; requests the data
cannot answer are no errors and print "no structure for <accession>" or "no residue <chain> <number>
in <structure>".
"""

import os
import sys

if __name__ != "__main__" and os.path.dirname(os.path.abspath(__file__)) not in sys.path:
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import snpcommon as sc
import pdbstructure as ps

NAME = "snp2pdbsite.py"
# A run keeps nothing but caches of the data files every run reads: runs may share one
# pre-started process.
NX_INDEPENDENT_RUNS = True
RESULT_KEY = "PDB_SITE"
CONTACT = 4.0

HELP = """usage: snp2pdbsite.py -c CHAIN -m "CHAIN POS FROM -> TO" -p ACCESSION [--pdb-map FILE] [--pdb-dir DIR]

Prints "PDB_SITE:<answer>" about the residue at protein position POS (1-based) of the structure
mapped to ACCESSION and CHAIN:
  <id> <chain> <RES><number>[ (structure has RES, change expects X)]: <item>[; <item>...]
     items: "site <ID> (<REMARK 800 description>)" for every SITE record holding the residue,
            "ligand <RES> <chain><number> at <d> A" for every non-water HETATM group within 4.0 A;
     "no site" when there is neither.
  no structure for <accession>          no local structure is known for the accession
  no residue <chain> <number> in <id>   the mapped chain has no residue with that number

Options:
  -c CHAIN        chain of the request ("A")
  -m TEXT         the change, e.g. "A 57       R -> W" (double quotes and extra blanks allowed;
                  amino acids as one letter or three-letter codes)
  -p ACCESSION    the gene's accession
  --pdb-map FILE  accession map (default $NX_PDB_MAP, else <script dir>/data/pdb/pdb_map.tsv)
  --pdb-dir DIR   structure folder (default $NX_PDB_DIR, else <script dir>/data/pdb)

Data formats:
""" + ps.MAP_HELP + """
Pre-parsed copies are kept in $NX_SNP_CACHE_DIR (default ~/.cache/nolix/snp_scripts).
Exit status: 0 answered, 1 unreadable or malformed data, 2 bad command line.
"""


def parse_change(text):
    """(chain, position, from letter, to letter) of a change text such as '"A 57       R -> W"'."""
    t = text.strip().strip('"').strip()
    left, arrow, right = t.partition("->")
    parts = left.split()
    if not arrow or len(parts) != 3 or not right.strip():
        raise sc.UsageError("-m must read \"CHAIN POSITION FROM -> TO\", not %r" % text)
    position = sc.parse_int(parts[1], "the position in -m", 1)
    return (parts[0], position, ps.amino_letter(parts[2], "the amino acid before the change"),
            ps.amino_letter(right, "the amino acid after the change"))


def _ligand_groups(structure):
    """[(key, atoms, centre, radius)] of the non-water ligands, sorted by key."""
    groups = {}
    for a in structure["atoms"]:
        if a[0] and a[4] not in ps.WATERS and a[4] not in ps.THREE_TO_ONE:
            groups.setdefault((a[1], a[2], a[3], a[4]), []).append(a)
    out = []
    for key, atoms in sorted(groups.items()):
        centre = [sum(a[7 + i] for a in atoms) / len(atoms) for i in range(3)]
        out.append((key, atoms, centre, _radius(centre, atoms)))
    return out


def _radius(centre, atoms):
    return max(((a[7] - centre[0]) ** 2 + (a[8] - centre[1]) ** 2 + (a[9] - centre[2]) ** 2) ** 0.5 for a in atoms)


def ligands_near(structure, residue, cutoff=CONTACT):
    found = []
    centre = [sum(a[7 + i] for a in residue) / len(residue) for i in range(3)]
    reach = _radius(centre, residue) + cutoff
    for (chain, resseq, icode, name), atoms, group_centre, group_radius in ps.derived(structure, "ligands",
                                                                                    _ligand_groups):
        # No atom pair can be within the cut-off when the two bounding spheres are farther apart.
        if sum((c - g) ** 2 for c, g in zip(centre, group_centre)) > (reach + group_radius) ** 2:
            continue
        d = ps.min_distance(residue, atoms)
        if d is not None and d <= cutoff:
            found.append("ligand %s %s%d%s at %.2f A" % (name, chain, resseq, icode, d))
    return found


def answer(accession, chain, position, wild, mutant, map_path, struct_dir):
    where = ps.locate(accession, chain, map_path, struct_dir)
    if where is None:
        return "no structure for %s" % accession
    path, file_chain, offset = where
    structure = ps.load(path)
    number = position + offset
    residue = ps.residue_atoms(structure, file_chain, number)
    if not residue:
        return "no residue %s %d in %s" % (file_chain, number, structure["id"])
    name = residue[0][4]
    head = "%s %s %s%d" % (structure["id"], file_chain, name, number)
    letter = ps.THREE_TO_ONE.get(name, "X")
    if letter != wild:
        head += " (structure has %s, change expects %s)" % (name, wild)
    items = []
    for site_id, members in sorted(structure["sites"].items()):
        if any(m[1] == file_chain and m[2] == number and m[3] == "" for m in members):
            items.append("site %s (%s)" % (site_id, structure["descriptions"].get(site_id, "no description")))
    items.extend(ligands_near(structure, residue))
    return "%s: %s" % (head, "; ".join(items) if items else "no site")


def _body(argv):
    opts = sc.parse_options(argv, ("-c", "-m", "-p", "--pdb-map", "--pdb-dir"), ("-c", "-m", "-p"))
    chain = opts["-c"].strip()
    if len(chain) != 1:
        raise sc.UsageError("-c must be one chain letter, not %r" % opts["-c"])
    accession = opts["-p"].strip()
    if not accession:
        raise sc.UsageError("-p needs a non-empty accession")
    change_chain, position, wild, mutant = parse_change(opts["-m"])
    if change_chain != chain:
        raise sc.UsageError("the chain of -m (%s) differs from -c (%s)" % (change_chain, chain))
    map_path, struct_dir = ps.map_paths(opts.get("--pdb-map"), opts.get("--pdb-dir"))
    sc.emit(RESULT_KEY, answer(accession, chain, position, wild, mutant, map_path, struct_dir))
    return 0


def warm():
    """Loads every structure of the default accession map, with its residue index and ligands,
    into this interpreter (see rsnp.warm)."""
    def load():
        for path, chain in ps.mapped_structures(*ps.map_paths(None, None)):
            structure = ps.load(path)
            ps.residue_atoms(structure, chain, 0)
            ps.derived(structure, "ligands", _ligand_groups)
    return sc.warmed(load)


def main(argv):
    return sc.run(NAME, argv, _body, HELP)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
