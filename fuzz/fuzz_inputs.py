#!/usr/bin/env python3
"""Seeded mutation fuzzer of every input the programs read.

Kinds: the VCF of a workflow run, the workflow JSON, nolix-refdb's FASTA, GFF3, GTF,
known-mutation VCF, matrices, gene-info and BED inputs, and nolix-tata's input. Each mutant is
run through the real program and must end in one of two ways:
  * a clean error: non-zero exit, no signal, a message naming an input file, and no output
    left behind (no database, no temporary files);
  * accepted: exit 0 with complete output; for a harmless change (gzip-compressed, comment
    lines added) the output equals that of the unmutated input.
Never a crash (signal, sanitizer report), a hang (time-out), or exit 0 on a gzip file cut short
or on text with a NUL byte.

    fuzz_inputs.py --bin-dir BUILD/bin [--seed N] [--seconds S] [--mutants N] [--keep DIR]

Exit code 0 when nothing was found, 1 otherwise; a table of mutants and findings per kind is
printed at the end, and each finding is kept with its mutant file under the work folder.
"""

import argparse
import gzip
import json
import os
import random
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import time

RUN_TIMEOUT = 30
EXTREMES = [b"0", b"-1", b"9223372036854775807", b"9223372036854775808", b"99999999999999999999",
            b"1e39", b"-1e400", b"nan", b"inf", b"", b"0x10", b" 5", b"1.5", b"+3"]


# ---------------------------------------------------------------- mutations

def lines_of(data):
    return data.split(b"\n")


def mutate(rng, data, comment_prefix, header_prefix):
    """Returns (mutant bytes, operator name, harmless?)."""
    ops = ["flip", "insert", "delete_line", "dup_line", "swap_lines", "number", "drop_field",
           "truncate", "gzip_cut", "nul", "gzip", "comment"]
    if comment_prefix is None:
        ops.remove("comment")
    op = rng.choice(ops)
    lines = lines_of(data)
    if op == "flip":
        i = rng.randrange(len(data))
        b = bytearray(data)
        b[i] = rng.choice([0, 9, 10, 13, 32, ord("."), ord("-"), ord(";"), ord("="), ord(","), 0xC3, 0xFF,
                           rng.randrange(256)])
        return bytes(b), op, False
    if op == "insert":
        i = rng.randrange(len(data) + 1)
        return data[:i] + bytes([rng.randrange(256)]) + data[i:], op, False
    if op == "nul":
        i = rng.randrange(len(data))
        return data[:i] + b"\0" + data[i + 1:], op, False
    if op in ("delete_line", "dup_line", "swap_lines"):
        i = rng.randrange(len(lines))
        if op == "delete_line":
            del lines[i]
        elif op == "dup_line":
            lines.insert(i, lines[i])
        else:
            j = rng.randrange(len(lines))
            lines[i], lines[j] = lines[j], lines[i]
        return b"\n".join(lines), op, False
    if op == "number":
        spots = [m for m in re.finditer(rb"-?\d+(\.\d+)?([eE][-+]?\d+)?", data)]
        if not spots:
            return data + b"\n1\n", op, False
        m = rng.choice(spots)
        return data[:m.start()] + rng.choice(EXTREMES) + data[m.end():], op, False
    if op == "drop_field":
        i = rng.randrange(len(lines))
        fields = lines[i].split(b"\t")
        if len(fields) > 1:
            del fields[rng.randrange(len(fields))]
        lines[i] = b"\t".join(fields)
        return b"\n".join(lines), op, False
    if op == "truncate":
        return data[:rng.randrange(len(data))], op, False
    if op == "gzip_cut":
        packed = gzip.compress(data, mtime=0)
        # Keep the header, lose some of the deflate data or the trailer.
        return packed[:rng.randrange(10, len(packed) - 1)], op, False
    if op == "gzip":
        return gzip.compress(data, mtime=0), op, True
    # comment: lines the format ignores, after the header lines
    at = 0
    while header_prefix is not None and at < len(lines) and lines[at].startswith(header_prefix):
        at += 1
    at = rng.randint(at, len(lines) - 1) if lines and lines[-1] == b"" else rng.randint(at, len(lines))
    lines.insert(at, comment_prefix + b" fuzz comment " + str(rng.randrange(10**6)).encode())
    return b"\n".join(lines), op, True


# ---------------------------------------------------------------- programs

class Result:
    def __init__(self, rc, out, err, timed_out):
        self.rc, self.out, self.err, self.timed_out = rc, out, err, timed_out


def run(cmd, cwd=None, stdin_data=None, env=None):
    try:
        p = subprocess.run(cmd, cwd=cwd, input=stdin_data, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           timeout=RUN_TIMEOUT, env=env)
        return Result(p.returncode, p.stdout, p.stderr.decode("utf-8", "replace"), False)
    except subprocess.TimeoutExpired as e:
        return Result(None, e.stdout or b"", (e.stderr or b"").decode("utf-8", "replace"), True)


def crash_of(r):
    if r.timed_out:
        return "hang (no end within %d s)" % RUN_TIMEOUT
    if r.rc is not None and r.rc < 0:
        return "killed by signal %d" % -r.rc
    for marker in ("AddressSanitizer", "runtime error:", "LeakSanitizer", "Segmentation fault", "terminate called"):
        if marker in r.err:
            return "sanitizer or runtime report: " + marker
    return None


def db_dump(path):
    """The database's content without row ids, rows sorted: two builds of one input compare
    equal even though known mutations of several chromosomes may be stored in any order."""
    con = sqlite3.connect("file:%s?mode=ro" % path, uri=True)
    try:
        if con.execute("PRAGMA integrity_check").fetchone()[0] != "ok":
            return None
        out = []
        for (table,) in con.execute("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"):
            cols = [r[1] for r in con.execute('PRAGMA table_info("%s")' % table) if not (r[1] == "id" and r[5])]
            rows = con.execute('SELECT %s FROM "%s"' % (",".join('"%s"' % c for c in cols), table))
            out.append(table + "\n" + "\n".join(sorted(repr(r) for r in rows)))
        return "\n".join(out)
    except sqlite3.DatabaseError:
        return None
    finally:
        con.close()


# ---------------------------------------------------------------- the kinds

BUILDER_KINDS = {
    # kind: (option, seed file, comment prefix, header prefix)
    "fasta": ("--fasta", "genome.fa", None, None),
    "gff3": ("--genes", "genes.gff3", b"#", b"##"),
    "gtf": ("--genes", "genes.gtf", b"#", None),
    "known-vcf": ("--known-mutations", "known_mutations.vcf", b"##fuzz=1", b"##"),
    "matrices": ("--matrices", "matrices.tsv", b"#", None),
    "gene-info": ("--gene-info", "gene_info.tsv", b"#", None),
    "bed": ("--segmental-duplications", "sd.bed", b"#", None),
}


def gff3_to_gtf(gff3):
    """The demo annotation as GTF (gene_id, transcript_id, gene_name; transcript, exon, CDS)."""
    names, parent_of, out = {}, {}, []
    rows = [l.split("\t") for l in gff3.splitlines() if l and not l.startswith("#")]
    for c in rows:
        attrs = dict(kv.split("=", 1) for kv in c[8].split(";") if "=" in kv)
        if c[2] == "gene":
            names[attrs["ID"]] = attrs.get("Name", attrs["ID"])
        elif "Parent" in attrs and "ID" in attrs and c[2] not in ("exon", "CDS"):
            parent_of[attrs["ID"]] = attrs["Parent"]
    for c in rows:
        attrs = dict(kv.split("=", 1) for kv in c[8].split(";") if "=" in kv)
        tx = attrs["ID"] if attrs.get("ID") in parent_of else attrs.get("Parent", "")
        if tx not in parent_of or c[2] not in ("exon", "CDS") and attrs.get("ID") != tx:
            continue
        gene = parent_of[tx]
        kind = "transcript" if attrs.get("ID") == tx else c[2]
        a = 'gene_id "%s"; transcript_id "%s"; gene_name "%s";' % (gene[5:] if gene.startswith("gene:") else gene,
                                                                  tx.split(":", 1)[-1], names.get(gene, gene))
        out.append("\t".join(c[:2] + [kind] + c[3:8] + [a]))
    return "\n".join(out) + "\n"


class Fuzzer:
    def __init__(self, args):
        self.args = args
        self.bin = os.path.abspath(args.bin_dir)
        self.work = args.work
        self.seeds = os.path.join(self.work, "seeds")
        self.counts = {}    # kind -> [mutants, accepted, refused, refused with line, harmless]
        self.findings = []  # (kind, operator, what, mutant path)
        self.env = dict(os.environ, NX_CRASH_DIR=os.path.join(self.work, "crash"), QT_QPA_PLATFORM="offscreen")

    def finding(self, kind, op, what, mutant_dir, mutant_file):
        keep = os.path.join(self.work, "findings", "%03d-%s" % (len(self.findings), kind))
        os.makedirs(keep, exist_ok=True)
        shutil.copy(mutant_file, keep)
        with open(os.path.join(keep, "what.txt"), "w") as f:
            f.write("%s (%s)\n" % (what, op))
        self.findings.append((kind, op, what, keep))

    # -- setup

    def tool(self, name):
        return os.path.join(self.bin, name)

    def builder_args(self, files, out):
        args = [self.tool("nolix-refdb"), "--quiet", "--out", out]
        for opt, path in files:
            args += [opt, path]
        return args

    def base_builder_files(self, replace=None):
        files = {"--fasta": "genome.fa", "--genes": "genes.gff3", "--known-mutations": "known_mutations.vcf",
                 "--matrices": "matrices.tsv", "--gene-info": "gene_info.tsv",
                 "--segmental-duplications": "sd.bed", "--conserved-regions": "cr.bed"}
        res = [(o, os.path.join(self.seeds, f)) for o, f in files.items()]
        if replace:
            res = [(o, replace[1] if o == replace[0] else p) for o, p in res]
        return res

    def setup(self):
        os.makedirs(self.seeds, exist_ok=True)
        r = run([self.tool("nolix-demo-data"), "--out-dir", self.seeds, "--seed", "11"])
        if r.rc != 0:
            sys.exit("nolix-demo-data failed: " + r.err)
        with open(os.path.join(self.seeds, "genes.gff3")) as f:
            gtf = gff3_to_gtf(f.read())
        with open(os.path.join(self.seeds, "genes.gtf"), "w") as f:
            f.write(gtf)
        # The variant file of the workflow: a slice of the demo records keeps each run short.
        with open(os.path.join(self.seeds, "variants.vcf"), "rb") as f:
            vcf = f.read().split(b"\n")
        head = [l for l in vcf if l.startswith(b"#")]
        body = [l for l in vcf if l and not l.startswith(b"#")]
        with open(os.path.join(self.seeds, "calls.vcf"), "wb") as f:
            f.write(b"\n".join(head + body[:300]) + b"\n")
        with open(os.path.join(self.seeds, "genome.fa"), "rb") as f:
            genome = f.read()
        stretches = []
        for i, rec in enumerate(genome.split(b">")[1:]):
            seq = b"".join(rec.split(b"\n")[1:])
            for j in range(12):
                stretches.append(b">s%d_%d\n%s\n" % (i, j, seq[j * 997:j * 997 + 60]))
        with open(os.path.join(self.seeds, "tata.fa"), "wb") as f:
            f.write(b"".join(stretches))

        self.ref = os.path.join(self.seeds, "reference.s3db")
        r = run(self.builder_args(self.base_builder_files(), self.ref))
        if r.rc != 0:
            sys.exit("the unmutated inputs do not build: " + r.err)
        self.baseline = {}
        for kind, (opt, seed, _, _) in BUILDER_KINDS.items():
            out = os.path.join(self.work, "base-%s.s3db" % kind)
            r = run(self.builder_args(self.base_builder_files((opt, os.path.join(self.seeds, seed))), out))
            if r.rc != 0:
                sys.exit("the unmutated %s does not build: %s" % (kind, r.err))
            self.baseline[kind] = db_dump(out)
            os.remove(out)
        self.workflow = {"elements": [
            {"name": "read", "type": "read-variations", "attributes": {"url-in": "calls.vcf"}},
            {"name": "annotate", "type": "VOZAdarova-id", "attributes": {"db_path": self.ref}},
            {"name": "report", "type": "snp-report-writer-id", "attributes": {
                "db_path": self.ref, "report_path": "in_gene.tsv", "regulatory_report_path": "regulatory.tsv"}}],
            "links": [{"from": "read", "to": "annotate"}, {"from": "annotate", "to": "report"}]}
        base = os.path.join(self.work, "base-workflow")
        os.makedirs(base)
        shutil.copy(os.path.join(self.seeds, "calls.vcf"), base)
        with open(os.path.join(base, "flow.json"), "w") as f:
            json.dump(self.workflow, f, indent=2)
        r, reports = self.run_workflow(base, "flow.json")
        if r.rc != 0 or reports is None:
            sys.exit("the unmutated workflow fails: " + r.err)
        self.base_reports = reports
        r = run([self.tool("nolix-tata"), os.path.join(self.seeds, "tata.fa")])
        if r.rc != 0:
            sys.exit("nolix-tata fails on the unmutated input: " + r.err)
        self.base_tata = r.out

    def run_workflow(self, folder, flow):
        r = run([self.tool("resource_probe"), "--workflow=" + os.path.join(folder, flow)], cwd=folder, env=self.env)
        paths = [os.path.join(folder, n) for n in ("in_gene.tsv", "regulatory.tsv")]
        if not all(os.path.isfile(p) for p in paths):
            return r, None
        return r, [open(p, "rb").read() for p in paths]

    # -- one mutant of each kind

    def count(self, kind, slot):
        self.counts.setdefault(kind, [0, 0, 0, 0, 0])[slot] += 1

    def judge_common(self, kind, op, r, names, folder, mutant):
        """Crash, hang and message checks; returns True when the run was refused cleanly."""
        crash = crash_of(r)
        if crash:
            self.finding(kind, op, crash, folder, mutant)
            return None
        if r.rc == 0:
            return False
        self.count(kind, 2)
        if not any(n in r.err for n in names):
            self.finding(kind, op, "refused without naming the file: " + r.err.strip()[-300:], folder, mutant)
        elif any(re.search(re.escape(n) + r":\d+", r.err) or re.search(re.escape(n) + r".{0,40} line \d+", r.err)
                 for n in names):
            self.count(kind, 3)
        return True

    def accepted_wrongly(self, kind, op, data, folder, mutant):
        if op == "gzip_cut":
            self.finding(kind, op, "a gzip file cut short was accepted", folder, mutant)
            return True
        if b"\0" in data and op != "gzip":
            self.finding(kind, op, "text with a NUL byte was accepted", folder, mutant)
            return True
        return False

    def builder_mutant(self, kind, rng, folder):
        opt, seed, comment, header = BUILDER_KINDS[kind]
        data = open(os.path.join(self.seeds, seed), "rb").read()
        mutant_bytes, op, harmless = mutate(rng, data, comment, header)
        name = "mutant-" + seed + (".gz" if op in ("gzip", "gzip_cut") else "")
        mutant = os.path.join(folder, name)
        open(mutant, "wb").write(mutant_bytes)
        out = os.path.join(folder, "out.s3db")
        files = self.base_builder_files((opt, mutant))
        r = run(self.builder_args(files, out))
        refused = self.judge_common(kind, op, r, [os.path.basename(p) for _, p in files], folder, mutant)
        leftovers = [f for f in os.listdir(folder) if f.startswith("out.s3db.tmp-")]
        if leftovers:
            self.finding(kind, op, "left temporary files: " + ",".join(leftovers), folder, mutant)
        if refused is None:
            return
        if refused:
            if os.path.exists(out):
                self.finding(kind, op, "refused but wrote the database", folder, mutant)
            return
        self.count(kind, 1)
        if self.accepted_wrongly(kind, op, mutant_bytes, folder, mutant):
            return
        dump = db_dump(out) if os.path.exists(out) else None
        if dump is None:
            self.finding(kind, op, "exit 0 without a sound database", folder, mutant)
        elif harmless:
            self.count(kind, 4)
            if dump != self.baseline[kind]:
                self.finding(kind, op, "a harmless change gave a different database", folder, mutant)

    def vcf_mutant(self, rng, folder):
        kind = "workflow-vcf"
        data = open(os.path.join(self.seeds, "calls.vcf"), "rb").read()
        mutant_bytes, op, harmless = mutate(rng, data, b"##fuzz=1", b"##")
        name = "calls.vcf" + (".gz" if op in ("gzip", "gzip_cut") else "")
        mutant = os.path.join(folder, name)
        open(mutant, "wb").write(mutant_bytes)
        flow = json.loads(json.dumps(self.workflow))
        flow["elements"][0]["attributes"]["url-in"] = name
        with open(os.path.join(folder, "flow.json"), "w") as f:
            json.dump(flow, f)
        self.judge_workflow(kind, op, harmless, mutant_bytes, folder, mutant, [name])

    def json_mutant(self, rng, folder):
        kind = "workflow-json"
        shutil.copy(os.path.join(self.seeds, "calls.vcf"), folder)
        text = json.dumps(self.workflow, indent=2).encode()
        if rng.random() < 0.15:
            # Harmless: the same workflow written differently.
            mutant_bytes = json.dumps(self.workflow, separators=(",", ":"), sort_keys=True).encode()
            op, harmless = "reformat", True
        else:
            mutant_bytes, op, harmless = mutate(rng, text, None, None)
            if op == "gzip":
                harmless = False  # a workflow file is plain text
        mutant = os.path.join(folder, "flow.json")
        open(mutant, "wb").write(mutant_bytes)
        self.judge_workflow(kind, op, harmless, mutant_bytes, folder, mutant, ["flow.json", "calls.vcf"])

    def judge_workflow(self, kind, op, harmless, mutant_bytes, folder, mutant, names):
        r, reports = self.run_workflow(folder, "flow.json")
        refused = self.judge_common(kind, op, r, names + ["reference.s3db", "in_gene.tsv", "regulatory.tsv"],
                                    folder, mutant)
        if refused is None or refused:
            return
        self.count(kind, 1)
        if kind == "workflow-json" and op != "reformat":
            return  # a changed attribute may legitimately change or drop a report
        if self.accepted_wrongly(kind, op, mutant_bytes, folder, mutant):
            return
        if reports is None:
            self.finding(kind, op, "exit 0 without both reports", folder, mutant)
        elif harmless:
            self.count(kind, 4)
            if reports != self.base_reports:
                self.finding(kind, op, "a harmless change gave different reports", folder, mutant)

    def tata_mutant(self, rng, folder):
        kind = "tata"
        data = open(os.path.join(self.seeds, "tata.fa"), "rb").read()
        mutant_bytes, op, harmless = mutate(rng, data, None, None)
        if op == "gzip":
            harmless = False
        mutant = os.path.join(folder, "stretches.fa")
        open(mutant, "wb").write(mutant_bytes)
        r = run([self.tool("nolix-tata"), mutant])
        refused = self.judge_common(kind, op, r, ["stretches.fa"], folder, mutant)
        if refused is None or refused:
            return
        self.count(kind, 1)
        if self.accepted_wrongly(kind, op, mutant_bytes, folder, mutant):
            return
        for line in r.out.decode("utf-8", "replace").splitlines():
            if line == "" or re.match(r"^ j=\d+ $", line):
                continue  # the documented diagnostic of an unknown letter
            if not re.match(r"^[^\t]+\t(none|-?\d+(\.\d+)?\t-?\d+(\.\d+)?(e-?\d+)?)$", line):
                self.finding(kind, op, "malformed output line: " + line[:100], folder, mutant)
                break

    # -- the campaign

    def campaign(self):
        kinds = list(BUILDER_KINDS) + ["workflow-vcf", "workflow-json", "tata"]
        rng = random.Random(self.args.seed)
        deadline = time.monotonic() + self.args.seconds
        n = 0
        while time.monotonic() < deadline and (self.args.mutants == 0 or n < self.args.mutants * len(kinds)):
            kind = kinds[n % len(kinds)]
            folder = os.path.join(self.work, "m%06d" % n)
            os.makedirs(folder)
            sub = random.Random(rng.random())  # one stream per mutant: a finding replays alone
            self.count(kind, 0)
            if kind in BUILDER_KINDS:
                self.builder_mutant(kind, sub, folder)
            elif kind == "workflow-vcf":
                self.vcf_mutant(sub, folder)
            elif kind == "workflow-json":
                self.json_mutant(sub, folder)
            else:
                self.tata_mutant(sub, folder)
            shutil.rmtree(folder)
            n += 1

    def is_allowed(self, finding):
        return any(finding[0] == a.split(":", 1)[0] and finding[2].startswith(a.split(":", 1)[1]) for a in self.args.allow)

    def open_findings(self):
        return [f for f in self.findings if not self.is_allowed(f)]

    def report(self):
        print("%-14s %8s %9s %8s %10s %9s %9s" % ("kind", "mutants", "accepted", "refused", "with line", "harmless",
                                                 "findings"))
        for kind, c in self.counts.items():
            found = sum(1 for f in self.findings if f[0] == kind)
            print("%-14s %8d %9d %8d %10d %9d %9d" % (kind, c[0], c[1], c[2], c[3], c[4], found))
        for f in self.findings:
            print("%s %s [%s]: %s\n    kept in %s" % ("KNOWN" if self.is_allowed(f) else "FINDING", *f))
        print("%d mutants, %d findings (%d known)" % (sum(c[0] for c in self.counts.values()), len(self.findings),
                                                       len(self.findings) - len(self.open_findings())))


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--bin-dir", required=True, help="the build's bin/ folder")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--seconds", type=float, default=60, help="time budget of the campaign")
    ap.add_argument("--mutants", type=int, default=0, help="at most this many mutants per kind (0: no limit)")
    ap.add_argument("--allow", action="append", default=[], metavar="KIND:WHAT",
                    help="a known open fault (kind and the start of the finding's text): listed, not failed on")
    ap.add_argument("--keep", help="work folder to keep (findings, seeds); a temporary one otherwise")
    args = ap.parse_args()
    if args.keep:
        os.makedirs(args.keep, exist_ok=True)
        args.work = tempfile.mkdtemp(prefix="fuzz-", dir=args.keep)
    else:
        tmp = tempfile.TemporaryDirectory(prefix="nolix-fuzz-")
        args.work = tmp.name
    fz = Fuzzer(args)
    fz.setup()
    fz.campaign()
    fz.report()
    return 1 if fz.open_findings() else 0


if __name__ == "__main__":
    sys.exit(main())
