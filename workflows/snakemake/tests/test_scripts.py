#!/usr/bin/env python3
"""The shard plan and the report merge on their own (no suite programs needed)."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))
import merge_reports  # noqa: E402
import shard_plan  # noqa: E402

HEADER = b"#Chr\tPosition\tAllele\n"


class ShardPlanTest(unittest.TestCase):
    def test_regions_tile_each_chromosome_and_the_last_is_open(self):
        shards = shard_plan.plan_shards([("chr7", 100), ("chr17", 250), ("chrM", 40)], "region", 100)
        self.assertEqual([s.region for s in shards],
                         ["chr7", "chr17:1-100", "chr17:101-200", "chr17:201-", "chrM"])
        # Names sort in merge order and carry the bounds, so another size never reuses them.
        ids = [s.id for s in shards]
        self.assertEqual(ids, sorted(ids))
        self.assertEqual(len(set(ids)), len(ids))
        self.assertEqual(ids[1], "0002-chr17_1-100")
        self.assertEqual(ids[3], "0004-chr17_201-end")

    def test_file_order_is_kept_and_odd_names_are_safe(self):
        shards = shard_plan.plan_shards([("chrY", 10), ("HLA-A*01:01", None), ("chr1", 10)], "chromosome")
        self.assertEqual([s.chrom for s in shards], ["chrY", "HLA-A*01:01", "chr1"])
        self.assertEqual((shards[1].chrom, shards[1].start, shards[1].end), ("HLA-A*01:01", 1, None))
        self.assertRegex(shards[1].id, r"^[A-Za-z0-9._-]+$")

    def test_unknown_length_gives_one_shard(self):
        shards = shard_plan.plan_shards([("chr2", None)], "region", 5)
        self.assertEqual([s.region for s in shards], ["chr2"])

    def test_bad_settings_are_named(self):
        with self.assertRaisesRegex(shard_plan.PlanError, "shard_by"):
            shard_plan.plan_shards([("chr1", 10)], "gene")
        for size in (0, -5, "1000"):
            with self.assertRaisesRegex(shard_plan.PlanError, "shard_size"):
                shard_plan.plan_shards([("chr1", 10)], "region", size)

    def test_missing_index_is_a_clear_error(self):
        with tempfile.TemporaryDirectory() as d:
            vcf = os.path.join(d, "x.vcf.gz")
            with open(vcf, "wb") as f:
                f.write(b"")
            with self.assertRaisesRegex(shard_plan.PlanError, "indexed"):
                shard_plan.read_index_stats(vcf)


class MergeReportsTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def write(self, name, data):
        path = os.path.join(self.dir.name, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def read(self, name):
        with open(os.path.join(self.dir.name, name), "rb") as f:
            return f.read()

    def test_one_header_rows_in_shard_order_bytes_kept(self):
        a = self.write("a", HEADER + b"chr7\t5\tA/C\n" + b"chr7\t9\tG/T\n")
        b = self.write("b", b"")
        c = self.write("c", HEADER + b"chr17\t3\tT/\xe9\n")  # Latin-1 stays as it is
        out = os.path.join(self.dir.name, "out.tsv")
        merge_reports.merge(out, [a, b, c])
        self.assertEqual(self.read("out.tsv"), HEADER + b"chr7\t5\tA/C\nchr7\t9\tG/T\nchr17\t3\tT/\xe9\n")
        self.assertEqual([n for n in os.listdir(self.dir.name) if n.startswith(".")], [])

    def test_no_rows_anywhere_gives_an_empty_report(self):
        paths = [self.write("a", b""), self.write("b", b"")]
        out = os.path.join(self.dir.name, "out.tsv")
        merge_reports.merge(out, paths)
        self.assertEqual(self.read("out.tsv"), b"")
        merge_reports.merge(os.path.join(self.dir.name, "none.tsv"), [])
        self.assertEqual(self.read("none.tsv"), b"")

    def test_faults_leave_the_earlier_output_untouched(self):
        cases = {
            "different header": [HEADER + b"r1\n", b"#Other\n" + b"r2\n"],
            "no line break": [HEADER + b"r1\n", HEADER + b"r2"],
            "not a report header": [b"r1\n"],
        }
        out = self.write("out.tsv", b"earlier\n")
        for what, contents in cases.items():
            with self.subTest(what):
                paths = [self.write(f"in{i}", data) for i, data in enumerate(contents)]
                with self.assertRaises(merge_reports.MergeError):
                    merge_reports.merge(out, paths)
                self.assertEqual(self.read("out.tsv"), b"earlier\n")
                self.assertEqual([n for n in os.listdir(self.dir.name) if n.startswith(".")], [])

    def test_command_line_reports_the_fault(self):
        missing = os.path.join(self.dir.name, "missing.tsv")
        out = os.path.join(self.dir.name, "out.tsv")
        self.assertEqual(merge_reports.main(["merge_reports.py", out, missing]), 1)
        self.assertFalse(os.path.exists(out))


if __name__ == "__main__":
    unittest.main()
