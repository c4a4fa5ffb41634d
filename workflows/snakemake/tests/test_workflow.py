#!/usr/bin/env python3
"""The sharded run end to end on the demo data, against a single resource_probe run.

    test_workflow.py BIN_DIR

Needs snakemake, bcftools, bgzip and tabix (exit 77, a skip, without them) and the suite's
programs and plug-ins in BIN_DIR (and ../plugins).
"""

import gzip
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SNAKEFILE = os.path.join(HERE, "..", "Snakefile")
REPO = os.path.abspath(os.path.join(HERE, "..", "..", ".."))
WORKFLOW = os.path.join(REPO, "data", "workflows", "annotate_demo.json")
BIN = ""


def run(cmd, **kw):
    proc = subprocess.run(cmd, capture_output=True, text=True, **kw)
    if proc.returncode != 0:
        raise AssertionError(f"{' '.join(cmd)} failed ({proc.returncode}):\n{proc.stderr[-3000:]}")
    return proc


def read(path):
    with open(path, "rb") as f:
        return f.read()


def vcf_records(path):
    """(chrom, pos, ref length) of every record of a plain VCF."""
    out = []
    with open(path) as f:
        for line in f:
            if not line.startswith("#"):
                chrom, pos, _, ref = line.split("\t", 4)[:4]
                out.append((chrom, int(pos), len(ref)))
    return out


def bgzip_and_index(vcf):
    with open(vcf + ".gz", "wb") as out:
        subprocess.run(["bgzip", "-c", vcf], stdout=out, check=True)
    run(["tabix", "-f", "-p", "vcf", vcf + ".gz"])
    return vcf + ".gz"


def readme_demo_commands():
    """The shell commands of the README's demo block, continuation lines joined."""
    with open(os.path.join(HERE, "..", "README.md")) as f:
        text = f.read()
    block = text.split("On the demo data", 1)[1].split("\n\n", 2)[1]
    return [c.strip() for c in block.replace("\\\n", " ").splitlines() if c.strip()]


class ShardedRunTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="nolix-snakemake-test-")
        demo = os.path.join(cls.tmp, "demo")
        run([os.path.join(BIN, "nolix-demo-data"), "--out-dir", demo])
        cls.reference = os.path.join(demo, "reference.s3db")
        run([os.path.join(BIN, "nolix-refdb"), "--out", cls.reference, "--fasta", f"{demo}/genome.fa",
             "--genes", f"{demo}/genes.gff3", "--known-mutations", f"{demo}/known_mutations.vcf",
             "--matrices", f"{demo}/matrices.tsv", "--gene-info", f"{demo}/gene_info.tsv",
             "--segmental-duplications", f"{demo}/sd.bed", "--conserved-regions", f"{demo}/cr.bed"])
        cls.plain_vcf = os.path.join(demo, "variants.vcf")
        cls.vcf = bgzip_and_index(cls.plain_vcf)
        cls.single = cls.run_single(cls.vcf, os.path.join(cls.tmp, "single"))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    @classmethod
    def run_single(cls, vcf, out):
        os.makedirs(out)
        reports = (os.path.join(out, "in_gene.tsv"), os.path.join(out, "regulatory.tsv"))
        run([os.path.join(BIN, "resource_probe"), f"--workflow={WORKFLOW}", "--set", f"read.url-in={vcf}",
             "--set", f"annotate.db_path={cls.reference}", "--set", f"report.db_path={cls.reference}",
             "--set", f"report.report_path={reports[0]}", "--set", f"report.regulatory_report_path={reports[1]}"])
        return reports

    def snakemake(self, outdir, vcf, *settings):
        cmd = ["snakemake", "-s", SNAKEFILE, "--cores", "2", "--directory", self.tmp, "--config",
               f"vcf={vcf}", f"reference={self.reference}", f"workflow={WORKFLOW}", f"outdir={outdir}",
               f"resource_probe={os.path.join(BIN, 'resource_probe')}",
               f"summary_program={os.path.join(BIN, 'nolix-report-summary')}", *settings]
        return subprocess.run(cmd, capture_output=True, text=True)

    def test_the_readme_demo_commands_run_twice(self):
        commands = readme_demo_commands()
        self.assertEqual(len(commands), 2, commands)
        self.assertTrue(commands[1].startswith("snakemake "), commands)
        # As written, from a folder laid out like the repository, with demo/; the programs of
        # this build, wherever it is.
        commands[1] += (f" resource_probe={os.path.join(BIN, 'resource_probe')}"
                        f" summary_program={os.path.join(BIN, 'nolix-report-summary')}")
        work = tempfile.mkdtemp(dir=self.tmp)
        for folder in ("workflows", "data"):
            os.symlink(os.path.join(REPO, folder), os.path.join(work, folder))
        os.makedirs(os.path.join(work, "demo"))
        shutil.copy(self.plain_vcf, os.path.join(work, "demo", "variants.vcf"))
        os.symlink(self.reference, os.path.join(work, "demo", "reference.s3db"))
        for attempt in (1, 2):
            for command in commands:
                proc = subprocess.run(["bash", "-c", command], cwd=work, capture_output=True, text=True)
                self.assertEqual(proc.returncode, 0, f"run {attempt}: {command}\n{proc.stderr[-3000:]}")
        self.assertEqual(read(os.path.join(work, "results", "in_gene_report.tsv")), read(self.single[0]))

    def boundary_crossing_size(self):
        """A shard size that puts a region boundary inside a multi-base record, with 4-20 shards."""
        records = vcf_records(self.plain_vcf)
        for chrom, pos, ref_len in records:
            if ref_len > 1 and pos > 20000:
                # Region 1 is 1..pos: it holds the record; region 2 starts inside the record.
                shards = sum(-(-length // pos) for length in (165127, 191529))
                if 4 <= shards <= 20:
                    return pos
        self.fail("the demo VCF has no multi-base record to put a shard boundary in")

    def test_merged_reports_equal_a_single_run_and_a_rerun_redoes_only_the_missing_shard(self):
        single = [read(p) for p in self.single]
        self.assertTrue(all(single), "the single run must fill both reports for the comparison to mean anything")
        size = self.boundary_crossing_size()
        outdir = os.path.join(self.tmp, "sharded")
        proc = self.snakemake(outdir, self.vcf, "shard_by=region", f"shard_size={size}")
        self.assertEqual(proc.returncode, 0, proc.stderr[-3000:])
        self.assertEqual(read(f"{outdir}/in_gene_report.tsv"), single[0])
        self.assertEqual(read(f"{outdir}/regulatory_report.tsv"), single[1])
        shards = sorted(os.listdir(f"{outdir}/shards"))
        self.assertGreaterEqual(len(shards), 4)
        if os.path.exists(os.path.join(BIN, "nolix-report-summary")):
            page = read(f"{outdir}/summary.html").decode("utf-8")
            self.assertIn(os.path.basename(self.vcf), page)
            self.assertIn("</html>", page)
        else:
            self.assertFalse(os.path.exists(f"{outdir}/summary.html"))
        # Some shard must hold nothing of one report, or the empty-shard path went untested.
        self.assertTrue(any(os.path.getsize(f"{outdir}/shards/{s}/regulatory.tsv") == 0 for s in shards))

        victim = shards[len(shards) // 2]
        os.remove(f"{outdir}/shards/{victim}/in_gene.tsv")
        kept = {s: os.stat(f"{outdir}/shards/{s}/in_gene.tsv").st_mtime_ns for s in shards if s != victim}
        proc = self.snakemake(outdir, self.vcf, "shard_by=region", f"shard_size={size}")
        self.assertEqual(proc.returncode, 0, proc.stderr[-3000:])
        rerun = re.findall(r"wildcards: shard=(\S+)", proc.stderr)
        self.assertEqual(rerun, [victim])
        self.assertEqual({s: os.stat(f"{outdir}/shards/{s}/in_gene.tsv").st_mtime_ns for s in kept}, kept)
        self.assertEqual(read(f"{outdir}/in_gene_report.tsv"), single[0])
        self.assertEqual(read(f"{outdir}/regulatory_report.tsv"), single[1])

    def test_chromosome_shards_follow_the_file_not_the_header(self):
        # The header declares chr17 first while the records start with chr7: the single run's
        # tracks, and so its rows, follow the records.
        swapped = os.path.join(self.tmp, "swapped.vcf")
        with open(self.plain_vcf) as src:
            lines = src.readlines()
        contigs = [i for i, line in enumerate(lines) if line.startswith("##contig=")]
        self.assertEqual(len(contigs), 2)
        lines[contigs[0]], lines[contigs[1]] = lines[contigs[1]], lines[contigs[0]]
        with open(swapped, "w") as dst:
            dst.writelines(lines)
        vcf = bgzip_and_index(swapped)
        single = [read(p) for p in self.run_single(vcf, os.path.join(self.tmp, "single-swapped"))]
        outdir = os.path.join(self.tmp, "by-chromosome")
        proc = self.snakemake(outdir, vcf, "shard_by=chromosome")
        self.assertEqual(proc.returncode, 0, proc.stderr[-3000:])
        self.assertEqual(sorted(os.listdir(f"{outdir}/shards")), ["0001-chr7", "0002-chr17"])
        self.assertEqual(read(f"{outdir}/in_gene_report.tsv"), single[0])
        self.assertEqual(read(f"{outdir}/regulatory_report.tsv"), single[1])

    def test_annotated_vcfs_merge_into_the_file_of_a_single_run(self):
        # The demo workflow with an annotated-VCF element beside the report.
        with open(WORKFLOW) as f:
            flow = json.load(f)
        flow["elements"].append({"name": "vcf", "type": "write-annotated-variations", "attributes": {}})
        flow["links"].append({"from": "annotate", "to": "vcf"})
        workflow = os.path.join(self.tmp, "annotate_vcf.json")
        with open(workflow, "w") as f:
            json.dump(flow, f)
        single = os.path.join(self.tmp, "single-annotated.vcf.gz")
        run([os.path.join(BIN, "resource_probe"), f"--workflow={workflow}", "--set", f"read.url-in={self.vcf}",
             "--set", f"annotate.db_path={self.reference}", "--set", f"report.db_path={self.reference}",
             "--set", f"vcf.db_path={self.reference}", "--set", f"vcf.url-out={single}",
             "--set", f"report.report_path={self.tmp}/sa_in_gene.tsv",
             "--set", f"report.regulatory_report_path={self.tmp}/sa_regulatory.tsv"])
        outdir = os.path.join(self.tmp, "annotated")
        proc = self.snakemake(outdir, self.vcf, f"workflow={workflow}", "shard_by=region", "shard_size=50000")
        self.assertEqual(proc.returncode, 0, proc.stderr[-3000:])
        merged = f"{outdir}/annotated.vcf.gz"
        self.assertEqual(gzip.decompress(read(merged)), gzip.decompress(read(single)))
        self.assertEqual(len(os.listdir(f"{outdir}/shards")), 9)
        # The index is the merged file's: a region query answers from it.
        region = run(["bcftools", "view", "-H", "-r", "chr17:100000-120000", merged]).stdout
        expected = [line for line in run(["bcftools", "view", "-H", single]).stdout.splitlines()
                    if line.startswith("chr17\t") and 100000 <= int(line.split("\t")[1]) <= 120000]
        self.assertEqual(region.splitlines(), expected)
        self.assertGreater(len(expected), 10)
        self.assertEqual(read(f"{outdir}/in_gene_report.tsv"), read(f"{self.tmp}/sa_in_gene.tsv"))

    def test_a_failing_shard_fails_the_workflow_with_its_error(self):
        # A record whose REF is no sequence of bases, in the middle of chr17: the importer refuses it.
        bad = os.path.join(self.tmp, "bad.vcf")
        with open(self.plain_vcf) as src, open(bad, "w") as dst:
            lines = src.readlines()
            chr17 = [i for i, line in enumerate(lines) if line.startswith("chr17\t")]
            broken = lines[chr17[len(chr17) // 2]].split("\t")
            broken[3] = "A1"
            lines[chr17[len(chr17) // 2]] = "\t".join(broken)
            dst.writelines(lines)
        vcf = bgzip_and_index(bad)
        outdir = os.path.join(self.tmp, "failing")
        proc = self.snakemake(outdir, vcf, "shard_by=chromosome")
        self.assertNotEqual(proc.returncode, 0)
        self.assertRegex(proc.stderr, r"shard 0002-chr17 \(chr17\) failed: resource_probe exited with 1")
        self.assertIn("REF 'A1' is not a sequence of bases", proc.stderr)
        self.assertFalse(os.path.exists(f"{outdir}/in_gene_report.tsv"))
        self.assertFalse(os.path.exists(f"{outdir}/regulatory_report.tsv"))
        self.assertFalse(os.path.exists(f"{outdir}/summary.html"))
        self.assertFalse(os.path.exists(f"{outdir}/shards/0002-chr17/in_gene.tsv"))
        # The good shard is done and stays done.
        self.assertTrue(os.path.exists(f"{outdir}/shards/0001-chr7/in_gene.tsv"))


def main():
    global BIN
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    BIN = os.path.abspath(sys.argv.pop(1))
    missing = [t for t in ("snakemake", "bcftools", "bgzip", "tabix") if shutil.which(t) is None]
    if missing:
        print(f"skipped: {', '.join(missing)} not installed", file=sys.stderr)
        return 77
    result = unittest.main(exit=False).result
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
