import gzip
import os
import time
import unittest

from helpers import ScriptTestCase, answer_of, call_main, run_script

import SNPChIPTools


class ChipOverlapTest(ScriptTestCase):
    def setUp(self):
        super().setUp()
        # rs1..rs4 sit around the CTCF peak [1000, 1400) of chr7; rs5 is a zero-length row.
        self.table = self.write("rsids.bed", "# comment\n"
                                "chr7\t999\t1000\trs1\n"
                                "chr7\t1000\t1001\trs2\n"
                                "7\t1399\t1400\trs3\n"
                                "chr7\t1400\t1401\trs4\n"
                                "chr7\t1200\t1200\trs5\n"
                                "chr17\t50\t51\trs6\n"
                                "chr17\t70\t71\trs6\n")
        self.peaks = os.path.join(self.tmp, "peaks")
        self.write("peaks/CTCF.narrowPeak", "chr7\t1000\t1400\tp1\t850\t.\t35.2\t12.3\t-1\t200\n")
        self.write("peaks/EP300.bed", "track name=x\n7\t900\t1000\tq\t500\n")
        with gzip.open(os.path.join(self.peaks, "REST.bed.gz"), "wt") as f:
            f.write("chrM\t0\t10\nchr17\t60\t80\tr\t7\n")

    def ask(self, rsid, ug="true"):
        code, out, err = call_main(SNPChIPTools, ["--ug", ug, "-i", rsid, "--rsid-table", self.table,
                                                  "--peaks", self.peaks])
        self.assertEqual(code, 0, err)
        return answer_of(out, "SNP_CHIP")

    def test_half_open_boundaries(self):
        # The base before a peak's start and the base at its end lie outside; the first and last bases inside.
        self.assertEqual(self.ask("rs1"), "EP300 (score 500, peak 7:900-1000)")
        self.assertEqual(self.ask("rs2"), "CTCF (score 850, signal 35.2, -log10 p 12.3, peak chr7:1000-1400)")
        self.assertIn("CTCF", self.ask("rs3"))
        self.assertEqual(self.ask("rs4"), "no peak")
        self.assertIn("CTCF", self.ask("rs5"))

    def test_several_positions_and_gzip_peaks(self):
        # rs6 maps twice: only the second position lies in the gzip-compressed REST peak.
        self.assertEqual(self.ask("rs6"), "REST (score 7, peak chr17:60-80)")
        self.assertEqual(self.ask("rs6", ug="false"), "not unique")

    def test_peak_across_a_cache_bin_boundary(self):
        # The peaks are cached in 1 Mb bins: a peak over the boundary must be found from both sides.
        table = self.write("far.bed", "chr7\t999995\t999996\trs7\nchr7\t1000005\t1000006\trs8\n"
                                      "chr7\t1000010\t1000011\trs9\n")
        self.write("peaks/SP1.bed", "chr7\t999990\t1000010\tp\t3\n")
        for rsid, expect in (("rs7", "SP1"), ("rs8", "SP1"), ("rs9", "no peak")):
            code, out, err = call_main(SNPChIPTools, ["--ug", "true", "-i", rsid, "--rsid-table", table,
                                                      "--peaks", self.peaks])
            self.assertIn(expect, answer_of(out, "SNP_CHIP"), rsid)

    def test_unknown_id_is_an_answer(self):
        self.assertEqual(self.ask("rs999"), "unknown id")

    def test_changed_peak_file_is_read_again(self):
        self.assertEqual(self.ask("rs4"), "no peak")
        path = os.path.join(self.peaks, "CTCF.narrowPeak")
        time.sleep(0.01)
        with open(path, "a") as f:
            f.write("chr7\t1400\t1500\tp2\t90\t.\t2\t3\t-1\t50\n")
        os.utime(path, ns=(time.time_ns(), time.time_ns() + 10**9))
        self.assertIn("peak chr7:1400-1500", self.ask("rs4"))

    def test_large_table_is_split_and_found(self):
        rows = "".join("chr7\t%d\t%d\trs%d\n" % (i, i + 1, 100000 + i) for i in range(60000))
        table = self.write("big.bed", rows)
        for rsid, expect in (("rs100999", "EP300"), ("rs101000", "CTCF"), ("rs159999", "no peak")):
            code, out, err = call_main(SNPChIPTools, ["-i", rsid, "--ug", "true", "--rsid-table", table,
                                                      "--peaks", self.peaks])
            self.assertIn(expect, answer_of(out, "SNP_CHIP"))
        parts = [n for n in os.listdir(self.cache) if n.startswith("rsid-")]
        self.assertGreater(len(parts), 3)


class ChipCommandLineTest(ScriptTestCase):
    def test_bad_command_lines_fail(self):
        table = self.write("t.bed", "chr1\t1\t2\trs1\n")
        peaks = os.path.dirname(self.write("p/A.bed", "chr1\t0\t5\n"))
        base = ["--rsid-table", table, "--peaks", peaks]
        for args in (["-i", "rs1"], ["--ug", "true"], ["--ug", "yes", "-i", "rs1"],
                     ["--ug", "true", "-i", "rs1", "--bogus", "1"], ["--ug", "true", "-i"]):
            code, out, err = run_script("SNPChIPTools.py", args + base)
            self.assertEqual(code, 2, args)
            self.assertEqual(out, "")
            self.assertIn("error", err)

    def test_unreadable_data_fails(self):
        code, out, err = run_script("SNPChIPTools.py", ["--ug", "true", "-i", "rs1"],
                                    {"NX_SNP_RSID_TABLE": os.path.join(self.tmp, "missing.bed")})
        self.assertEqual(code, 1)
        self.assertIn("missing.bed", err)
        bad = self.write("bad.bed", "chr1\tx\t2\trs1\n")
        code, out, err = run_script("SNPChIPTools.py", ["--ug", "true", "-i", "rs1", "--rsid-table", bad])
        self.assertEqual(code, 1)
        self.assertIn("bad.bed:1", err)

    def test_help_documents_formats(self):
        code, out, err = run_script("SNPChIPTools.py", ["--help"])
        self.assertEqual(code, 0)
        self.assertIn("narrowPeak", out)
        self.assertIn("NX_SNP_RSID_TABLE", out)


if __name__ == "__main__":
    unittest.main()
