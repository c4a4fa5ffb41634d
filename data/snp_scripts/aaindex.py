"""AAindex tables of the stability scripts, read from the AAindex release file format.

aaindex1 holds indices (one value per amino acid), aaindex2 substitution matrices and aaindex3
contact potentials; every entry starts with "H <accession>" and ends with "//". An index lists its
values under "I    A/L     R/K ..." in two rows (A R N D C Q E G H I, then L K M F P S T W Y V);
a matrix gives "M rows = ..., cols = ..." and then one line per row, lower-triangular (symmetric)
or full. Missing values ("-", "NA") stay missing. Only the entries a script asks for are kept, so
the full release files can stand in for the extracts shipped with the scripts.
"""

import os

import snpcommon as sc

AMINO = "ARNDCQEGHILKMFPSTWYV"
INDEX_ORDER = "ARNDCQEGHILKMFPSTWYV"

HELP = """  AAindex folder: the release files aaindex1 (KYTJ820101), aaindex2 (HENS920102) and aaindex3
      (SKOJ970101, BASU010101) in AAindex format ("H <accession>" ... "//"; indices as the two "I"
      rows, matrices as "M rows = ..., cols = ..." then lower-triangular or full rows). The shipped
      files hold only these entries; the full release files work as well."""


def _number(text, where):
    if text in ("-", "NA"):
        return None  # not given
    return sc.finite_number(text, where, "an AAindex value")


def _entries(path, wanted):
    """Raw lines of the wanted entries of one release file, by accession."""
    found = {}
    current = None
    for number, line in sc.lines(path):
        if line.startswith("H "):
            acc = line[2:].strip()
            current = acc if acc in wanted else None
            if current:
                found[current] = []
        elif line.startswith("//"):
            current = None
        elif current:
            found[current].append((number, line.rstrip("\r\n")))
    return found


def _parse_index(path, acc, lines):
    for k, (number, line) in enumerate(lines):
        if line.startswith("I "):
            body = lines[k + 1:k + 3]
            values = " ".join(text for _, text in body).split()
            if len(values) != 20:
                raise sc.DataError("%s:%d: entry %s: expected 20 index values, found %d"
                                   % (path, number, acc, len(values)))
            where = "%s:%d: entry %s" % (path, body[0][0], acc)
            return {aa: _number(v, where) for aa, v in zip(INDEX_ORDER, values)}
    raise sc.DataError("%s: entry %s has no I section" % (path, acc))


def _parse_matrix(path, acc, lines):
    for k, (number, line) in enumerate(lines):
        if line.startswith("M "):
            try:
                layout = line[2:].replace(" ", "")
                rows = layout.split("rows=")[1].split(",")[0]
                cols = layout.split("cols=")[1].split(",")[0]
            except IndexError:
                raise sc.DataError("%s:%d: entry %s: cannot read the M line %r" % (path, number, acc, line))
            table = {}
            body = lines[k + 1:k + 1 + len(rows)]
            if len(body) != len(rows):
                raise sc.DataError("%s: entry %s: expected %d matrix rows" % (path, acc, len(rows)))
            for r, (row_number, row_line) in zip(rows, body):
                values = row_line.split()
                if len(values) > len(cols):
                    raise sc.DataError("%s:%d: entry %s: row %s has too many values" % (path, row_number, acc, r))
                for c, v in zip(cols, values):
                    value = _number(v, "%s:%d: entry %s" % (path, row_number, acc))
                    table[r + c] = value
                    table.setdefault(c + r, value)  # the upper triangle mirrors the lower one
            return table
    raise sc.DataError("%s: entry %s has no M section" % (path, acc))


def load(folder, indices=(), matrices=()):
    """{accession: table}: an index maps a letter to a value, a matrix maps two letters ("AR") to one."""
    files = {}
    for acc in indices:
        files.setdefault("aaindex1", []).append(acc)
    for acc, kind in matrices:
        files.setdefault(kind, []).append(acc)
    paths = [os.path.join(folder, name) for name in sorted(files)]

    def build():
        tables = {}
        for name in sorted(files):
            path = os.path.join(folder, name)
            wanted = set(files[name])
            entries = _entries(path, wanted)
            for acc in files[name]:
                if acc not in entries:
                    raise sc.DataError("%s has no entry %s" % (path, acc))
                parse = _parse_index if name == "aaindex1" else _parse_matrix
                tables[acc] = parse(path, acc, entries[acc])
        return tables

    return sc.cached("aaindex-" + "-".join(sorted(indices) + sorted(a for a, _ in matrices)), paths, build)


def folder(option_value):
    return sc.data_path(option_value, "NX_AAINDEX_DIR", "aaindex")
