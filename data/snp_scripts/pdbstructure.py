"""Local protein structures for the structure scripts: accession map, PDB reader, cache.

Accession map (TSV, '#' lines ignored), one row per accession and requested chain:
    accession  chain  file  file_chain  offset
  accession   the gene's accession as the host sends it (compared without regard to case)
  chain       the chain letter of the request ("A"), or "*" for any
  file        PDB-format file, plain or gzip; a relative path is taken from the map's folder,
              then from the default structure folder
  file_chain  the chain of that file that holds the protein
  offset      residue number in the file = 1-based protein position + offset (for example -1
              when the file numbers the mature chain without its initiator methionine)
An accession without a row is looked up as a PDB identifier: <dir>/<id>.pdb[.gz] or
<dir>/pdb<id>.ent[.gz] in the structure folder, with the requested chain and offset 0.

Parsed structure (cached per file): first model only; of alternate locations the one of highest
occupancy (the first listed on a tie); elements from columns 77-78, or from the atom name by the
PDB's alignment rule when that column is blank (so "HG21" is a hydrogen, not mercury);
  atoms:  (hetero flag, chain, residue number, insertion code, residue name, atom name, element, x, y, z)
  sites:  SITE records, site id -> [(residue name, chain, residue number, insertion code)]
  site descriptions: REMARK 800 SITE_DESCRIPTION by site id
"""

import math
import os

import snpcommon as sc

THREE_TO_ONE = {
    "ALA": "A", "ARG": "R", "ASN": "N", "ASP": "D", "CYS": "C", "GLN": "Q", "GLU": "E", "GLY": "G",
    "HIS": "H", "ILE": "I", "LEU": "L", "LYS": "K", "MET": "M", "PHE": "F", "PRO": "P", "SER": "S",
    "THR": "T", "TRP": "W", "TYR": "Y", "VAL": "V", "MSE": "M", "SEC": "U", "PYL": "O",
}
ONE_TO_THREE = {v: k for k, v in THREE_TO_ONE.items() if k not in ("MSE",)}
WATERS = ("HOH", "WAT", "DOD", "H2O")

MAP_HELP = """  accession map (TSV: accession, chain, file, file_chain, offset; '#' lines ignored):
      file numbering = 1-based protein position + offset; relative files are taken from the map's
      folder, then from the structure folder. Accessions not in the map are tried as PDB ids:
      <structure folder>/<id>.pdb[.gz] or pdb<id>.ent[.gz], requested chain, offset 0.
  structure files: PDB format (ATOM/HETATM, SITE, REMARK 800), plain or gzip; first model and,
      of alternate locations, the highest occupancy are used."""


def amino_letter(text, what):
    """One-letter code of an amino acid given as one letter or as a three-letter code."""
    t = text.strip().strip('"').strip()
    if len(t) == 1 and (t.upper() in ONE_TO_THREE or t in "*xX"):
        return t.upper()
    if t.upper() in ("XAA", "UNK"):
        return "X"
    if t.upper() in THREE_TO_ONE:
        return THREE_TO_ONE[t.upper()]
    if t.upper() in ("TER", "STOP"):
        return "*"
    raise sc.UsageError("%s must be an amino acid (one letter or three-letter code), not %r" % (what, text))


def map_paths(map_option, dir_option):
    map_path = sc.data_path(map_option, "NX_PDB_MAP", os.path.join("pdb", "pdb_map.tsv"))
    struct_dir = sc.data_path(dir_option, "NX_PDB_DIR", "pdb")
    return map_path, struct_dir


def mapped_structures(map_path, struct_dir):
    """(structure file, chain) of every row of the accession map whose file exists."""
    if not os.path.exists(map_path):
        return []
    out = []
    for row_acc, row_chain, path, file_chain, offset in sc.cached("pdbmap", [map_path], lambda: _read_map(map_path)):
        found = _resolve(map_path, struct_dir, path)
        if os.path.exists(found) and (found, file_chain) not in out:
            out.append((found, file_chain))
    return out


def _resolve(map_path, struct_dir, path):
    if os.path.isabs(path):
        return path
    first = os.path.join(os.path.dirname(os.path.abspath(map_path)), path)
    return first if os.path.exists(first) else os.path.join(struct_dir, path)


def _read_map(path):
    rows = []
    for number, line in sc.lines(path):
        if not line.strip() or line.startswith("#"):
            continue
        fields = [x.strip() for x in line.rstrip("\r\n").split("\t")]
        if len(fields) < 5:
            raise sc.DataError("%s:%d: expected 5 tab-separated columns "
                               "(accession, chain, file, file_chain, offset)" % (path, number))
        try:
            offset = int(fields[4])
        except ValueError:
            raise sc.DataError("%s:%d: offset must be an integer, not %r" % (path, number, fields[4]))
        rows.append((fields[0].upper(), fields[1], fields[2], fields[3], offset))
    return rows


def locate(accession, chain, map_path, struct_dir):
    """(structure file, chain in the file, offset) for the accession, or None when none is at hand.

    A missing map file is no error (the PDB-id fallback still works); an unreadable one is."""
    acc = accession.strip().upper()
    if os.path.exists(map_path):
        for row_acc, row_chain, path, file_chain, offset in sc.cached("pdbmap", [map_path],
                                                                      lambda: _read_map(map_path)):
            if row_acc == acc and row_chain in (chain, "*"):
                path = _resolve(map_path, struct_dir, path)
                if not os.path.exists(path):
                    raise sc.DataError("%s names the structure %s, which does not exist" % (map_path, path))
                return path, file_chain, offset
    if acc and all(c.isalnum() for c in acc):
        low = acc.lower()
        for name in (low + ".pdb", low + ".pdb.gz", "pdb%s.ent" % low, "pdb%s.ent.gz" % low,
                     acc + ".pdb", acc + ".pdb.gz"):
            path = os.path.join(struct_dir, name)
            if os.path.exists(path):
                return path, chain, 0
    return None


# Two-letter elements whose atom names start in column 13 of ligand records ("FE  ", "ZN  ").
TWO_LETTER_ELEMENTS = {
    "FE", "ZN", "MG", "MN", "CU", "CO", "NI", "CA", "NA", "CL", "BR", "CD", "HG", "SE", "MO", "PT",
    "AU", "AG", "PB", "SR", "BA", "CS", "RB", "LI", "AL", "GA", "AS", "SB", "XE", "KR", "IR", "OS",
    "RU", "RH", "PD", "YB", "GD", "SM", "EU", "TB", "LU", "HO", "ER", "TL", "CR", "TI", "ZR", "BE",
}


def element_of(record, name_field, resname):
    """Element of an atom whose element column (77-78) is blank, from its name (columns 13-16).

    By the PDB's alignment rule a one-letter element sits in column 14 (" CA " is C-alpha) and a
    two-letter one starts in column 13 ("CA  " is calcium); hydrogen names of four characters
    also start in column 13 ("HG21", "HD11"), as do old-style names with a leading digit ("1HG2")."""
    first = name_field[:1]
    if first == " " or first.isdigit():
        return name_field[1:2].upper() or "X"
    name = name_field.strip().upper()
    if first.upper() in ("H", "D") and (len(name) == 4 or record == "ATOM  " or resname in THREE_TO_ONE):
        return first.upper()  # a four-letter hydrogen name, or any hydrogen of an amino acid
    if name[:2] in TWO_LETTER_ELEMENTS and (record == "HETATM" and resname not in THREE_TO_ONE):
        return name[:2]
    return first.upper()


def _parse(path):
    atoms = []
    sites = {}
    descriptions = {}
    alternates = {}  # atom key -> (index in atoms, occupancy) of the alternate location kept so far
    current_site = None
    id_code = ""
    for number, line in sc.lines(path):
        rec = line[:6]
        if rec == "ATOM  " or rec == "HETATM":
            try:
                x, y, z = float(line[30:38]), float(line[38:46]), float(line[46:54])
                resseq = int(line[22:26])
                occupancy = float(line[54:60]) if line[54:60].strip() else 1.0
            except ValueError:
                raise sc.DataError("%s:%d: malformed %s record" % (path, number, rec.strip()))
            if not all(map(math.isfinite, (x, y, z, occupancy))) or max(abs(x), abs(y), abs(z)) > 1e6:
                raise sc.DataError("%s:%d: %s record with a coordinate or occupancy that is no finite number"
                                   % (path, number, rec.strip()))
            resname = line[17:20].strip()
            element = line[76:78].strip().upper() or element_of(rec, line[12:16], resname)
            atom = (rec == "HETATM", line[21], resseq, line[26].strip(), resname,
                    line[12:16].strip(), element, x, y, z)
            alt = line[16]
            if alt != " ":
                # of the alternate locations of an atom keep the one of highest occupancy (the first on a tie)
                key = (line[21], resseq, line[26], line[12:16])
                kept = alternates.get(key)
                if kept is not None:
                    if occupancy > kept[1]:
                        atoms[kept[0]] = atom
                        alternates[key] = (kept[0], occupancy)
                    continue
                alternates[key] = (len(atoms), occupancy)
            atoms.append(atom)
        elif rec == "ENDMDL":
            break
        elif rec == "SITE  ":
            site_id = line[11:14].strip()
            members = sites.setdefault(site_id, [])
            for k in range(4):
                field = line[18 + 11 * k:28 + 11 * k]
                if field.strip():
                    try:
                        members.append((field[0:3].strip(), field[4], int(field[5:9]), field[9:10].strip()))
                    except ValueError:
                        raise sc.DataError("%s:%d: malformed SITE record" % (path, number))
        elif rec == "REMARK" and line[7:10] == "800":
            text = line[11:].strip()
            if text.startswith("SITE_IDENTIFIER:"):
                current_site = text.split(":", 1)[1].strip()
            elif text.startswith("SITE_DESCRIPTION:") and current_site:
                descriptions[current_site] = text.split(":", 1)[1].strip()
            elif current_site in descriptions and text and ":" not in text:
                descriptions[current_site] += " " + text  # continuation line
        elif rec == "HEADER":
            id_code = line[62:66].strip()
    if not atoms:
        raise sc.DataError("%s holds no ATOM or HETATM records" % path)
    return {"id": id_code or os.path.basename(path).split(".")[0].upper(), "atoms": atoms,
            "sites": sites, "descriptions": descriptions}


def load(path):
    return sc.cached("pdb", [path], lambda: _parse(path))


_derived = {}  # (id of a parsed structure, name) -> (structure, value)


def derived(structure, name, compute):
    """compute(structure), once per parsed structure (which pdbstructure.load keeps in memory)."""
    key = id(structure), name
    kept = _derived.get(key)
    if kept is None or kept[0] is not structure:
        kept = (structure, compute(structure))
        _derived[key] = kept
    return kept[1]


def _residue_index(structure):
    index = {}
    for a in structure["atoms"]:
        if not a[0] or a[4] in THREE_TO_ONE:
            index.setdefault((a[1], a[2], a[3]), []).append(a)
    return index


def residue_atoms(structure, chain, resseq, icode=""):
    return derived(structure, "residues", _residue_index).get((chain, resseq, icode), [])


def min_distance(atoms_a, atoms_b):
    best = None
    for a in atoms_a:
        ax, ay, az = a[7], a[8], a[9]
        for b in atoms_b:
            d = (ax - b[7]) ** 2 + (ay - b[8]) ** 2 + (az - b[9]) ** 2
            if best is None or d < best:
                best = d
    return None if best is None else best ** 0.5
