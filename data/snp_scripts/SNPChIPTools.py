#!/usr/bin/env python3
"""SNP ChIP tools: which ChIP-seq peaks hold a variation, found by its rs identifier.

Model: a variation can change the binding of a factor only where that factor binds; ChIP-seq
peaks are the experimental map of binding (Johnson et al., Science 316:1497, 2007; peak files in
the ENCODE BED/narrowPeak formats, ENCODE Project Consortium, Nature 489:57, 2012). Overlap rule,
all coordinates 0-based half-open as in BED:
    peak [ps, pe) holds the variation [vs, ve)  <=>  ps < ve and vs < pe
(a zero-length row, vs == ve, is taken as the one base [vs, vs + 1)).

Steps:
  1. look the identifier up in the rs-id table (BED: chrom, start, end, rs id);
  2. collect, over all peak files (one per factor), the peaks that overlap each of its positions;
  3. print SNP_CHIP: with the peaks, "no peak" when none overlaps, or "unknown id" when the
     identifier is not in the table (not an error: the table simply does not know it).
Both data sets are cached in pre-parsed form, split by rs-id hash and into 1 Mb bins of the
chromosomes, so a start reads only the part it needs.
"""

import os
import sys

if __name__ != "__main__" and os.path.dirname(os.path.abspath(__file__)) not in sys.path:
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import snpcommon as sc

NAME = "SNPChIPTools.py"
# A run keeps nothing but caches of the data files every run reads: runs may share one
# pre-started process.
NX_INDEPENDENT_RUNS = True
RESULT_KEY = "SNP_CHIP"
PEAK_SUFFIXES = (".narrowPeak", ".bed")
RSID_BUCKETS_PER_ROW = 1.0 / 5000  # one cache part per 5,000 ids keeps each start's read small
BIN = 1000000  # peaks are cached in 1 Mb bins of a chromosome

HELP = """usage: SNPChIPTools.py --ug true|false -i RSID [--rsid-table FILE] [--peaks DIR]

Prints "SNP_CHIP:<answer>" for the variation with public identifier RSID:
  <factor> (score S[, signal V][, -log10 p P], peak CHROM:START-END)[; ...]
      every ChIP-seq peak that overlaps a position of the id, sorted by factor and position
  no peak       the id is known but no peak overlaps it
  unknown id    the id is not in the rs-id table
  not unique    --ug false and the id maps to more than one position

Options:
  -i RSID            the variation's public identifier (rs followed by digits)
  --ug true|false    true: report every position the table gives for the id; false: only ids
                     with exactly one position
  --rsid-table FILE  rs-id table (default $NX_SNP_RSID_TABLE, else <script dir>/data/chip/rsids.bed)
  --peaks DIR        folder of peak files (default $NX_CHIP_PEAK_DIR, else <script dir>/data/chip/peaks)

Data formats (plain or gzip, '#', 'track' and 'browser' lines ignored, tab-separated):
  rs-id table   BED: chrom, start, end, rs id [, further columns ignored]; 0-based half-open
                (a SNV at 1-based position P is "chrom P-1 P rsN"); an id may have several rows.
  peak files    one file per factor, named <factor>.bed or <factor>.narrowPeak (optionally .gz);
                BED: chrom, start, end [, name, score]; narrowPeak: chrom, start, end, name, score,
                strand, signalValue, pValue (-log10), qValue, peak. 0-based half-open.
Chromosome names match with or without a leading "chr" ("chrM" = "MT" = "M").
Pre-parsed copies are kept in $NX_SNP_CACHE_DIR (default ~/.cache/nolix/snp_scripts).
Exit status: 0 answered, 1 unreadable or malformed data, 2 bad command line.
"""


def norm_chrom(name):
    c = name[3:] if name[:3].lower() == "chr" else name
    return "M" if c.upper() in ("M", "MT") else c


def _bucket(rsid, buckets):
    import zlib
    return zlib.crc32(rsid.encode("utf-8")) % buckets


def _count_rows(path):
    return sum(1 for _ in sc.lines(path))


def _bed_rows(path, min_cols):
    """Yields (line number, fields) of the data lines of a BED-like file."""
    for number, line in sc.lines(path):
        if not line.strip() or line.startswith(("#", "track", "browser")):
            continue
        fields = line.rstrip("\r\n").split("\t")
        if len(fields) < min_cols:
            raise sc.DataError("%s:%d: expected at least %d tab-separated columns" % (path, number, min_cols))
        try:
            start, end = int(fields[1]), int(fields[2])
        except ValueError:
            raise sc.DataError("%s:%d: start and end must be integers" % (path, number))
        if start < 0 or end < start:
            raise sc.DataError("%s:%d: bad interval %d-%d" % (path, number, start, end))
        yield number, fields, start, end


def load_rsid(path, rsid):
    """Positions [(chrom, start, end)] of rsid, or None when the table does not list it."""
    def build():
        buckets = max(1, int(_count_rows(path) * RSID_BUCKETS_PER_ROW))
        parts = {"#buckets": buckets}
        for _, fields, start, end in _bed_rows(path, 4):
            name = fields[3].strip()
            part = parts.setdefault(_bucket(name, buckets), {})
            part.setdefault(name, []).append((fields[0], start, end))
        return parts

    buckets = sc.cached_parts("rsid", [path], build, "#buckets")
    part = sc.cached_parts("rsid", [path], build, _bucket(rsid, buckets))
    return None if part is None else part.get(rsid)


def peak_files(folder):
    try:
        names = sorted(os.listdir(folder))
    except OSError as e:
        raise sc.DataError("cannot read the peak folder %s: %s" % (folder, e.strerror or e))
    files = []
    for name in names:
        base = name[:-3] if name.endswith(".gz") else name
        for suffix in PEAK_SUFFIXES:
            if base.endswith(suffix) and len(base) > len(suffix):
                files.append((base[:-len(suffix)], os.path.join(folder, name), suffix == ".narrowPeak"))
    return files


def build_peaks(files):
    """Peaks by "chrom:bin" (BIN bases each); a peak sits in every bin it touches, so one bin's
    part answers every query inside that bin."""
    parts = {}
    for factor, path, narrow in files:
        for number, fields, start, end in _bed_rows(path, 10 if narrow else 3):
            score = fields[4] if len(fields) > 4 else "."
            extra = (fields[6], fields[7]) if narrow else (".", ".")
            peak = (start, end, factor, fields[0], score) + extra
            chrom = norm_chrom(fields[0])
            for b in range(start // BIN, max(start, end - 1) // BIN + 1):
                parts.setdefault("%s:%d" % (chrom, b), []).append(peak)
    for peaks in parts.values():
        peaks.sort()
    return parts


def overlapping(peaks, start, end):
    """Peaks that overlap [start, end) (half-open; a zero-length query is the base at start)."""
    if end == start:
        end = start + 1
    return [p for p in peaks if p[0] < end and start < p[1]]


def describe(peak):
    start, end, factor, chrom, score, signal, pvalue = peak
    text = "%s (score %s" % (factor, score)
    if signal not in (".", "-1"):
        text += ", signal %s" % signal
    if pvalue not in (".", "-1"):
        text += ", -log10 p %s" % pvalue
    return text + ", peak %s:%d-%d)" % (chrom, start, end)


def answer(rsid, use_all, rsid_table, peak_dir):
    positions = load_rsid(rsid_table, rsid)
    if not positions:
        return "unknown id"
    if not use_all and len(positions) > 1:
        return "not unique"
    files = peak_files(peak_dir)
    if not files:
        raise sc.DataError("no peak files (*.bed, *.narrowPeak) in %s" % peak_dir)
    found = []
    for chrom, start, end in positions:
        for b in range(start // BIN, max(start, end - 1) // BIN + 1):
            part = sc.cached_parts("peaks", [f[1] for f in files], lambda: build_peaks(files),
                                   "%s:%d" % (norm_chrom(chrom), b))
            if part:
                found.extend(overlapping(part, start, end))
    if not found:
        return "no peak"
    found = sorted(set(found), key=lambda p: (p[2], p[3], p[0], p[1]))
    return "; ".join(describe(p) for p in found)


def _body(argv):
    opts = sc.parse_options(argv, ("--ug", "-i", "--rsid-table", "--peaks"), ("--ug", "-i"))
    ug = opts["--ug"].strip().lower()
    if ug not in ("true", "false"):
        raise sc.UsageError("--ug must be true or false, not %r" % opts["--ug"])
    rsid = opts["-i"].strip()
    if not rsid:
        raise sc.UsageError("-i needs a non-empty identifier")
    table = sc.data_path(opts.get("--rsid-table"), "NX_SNP_RSID_TABLE", os.path.join("chip", "rsids.bed"))
    peaks = sc.data_path(opts.get("--peaks"), "NX_CHIP_PEAK_DIR", os.path.join("chip", "peaks"))
    sc.emit(RESULT_KEY, answer(rsid, ug == "true", table, peaks))
    return 0


def warm():
    """Reads the index of the default rs-id table's cache into this interpreter (see rsnp.warm);
    the parts themselves are read per request, as a request needs only one."""
    table = sc.data_path(None, "NX_SNP_RSID_TABLE", os.path.join("chip", "rsids.bed"))
    return sc.warmed(lambda: load_rsid(table, "rs0"))


def main(argv):
    return sc.run(NAME, argv, _body, HELP)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
