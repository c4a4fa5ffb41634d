"""Every data file a script reads, truncated, damaged or holding non-finite numbers: exit status 1
and a message that names the file (and the line where there is one), never a traceback."""

import gzip
import os
import shutil
import unittest

from helpers import SCRIPTS_DIR, ScriptTestCase, answer_of, call_main, run_script

import SNPChIPTools
import protstability1d
import protstability3d
import rsnp
import snp2pdbsite

DATA = os.path.join(SCRIPTS_DIR, "data")
MATRIX = ">M1 toy\nA [ 10 0 5 ]\nC [ 0 10 5 ]\nG [ 0 0 0 ]\nT [ 0 0 0 ]\n"


class DamagedGzipTest(ScriptTestCase):
    def gz(self, name, data):
        path = os.path.join(self.tmp, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with gzip.open(path, "wb") as f:
            f.write(data)
        return path

    def damage(self, path, how):
        with open(path, "rb") as f:
            raw = f.read()
        if how == "truncated":
            raw = raw[:len(raw) // 2]
        elif how == "crc":
            raw = raw[:-8] + bytes(b ^ 0xFF for b in raw[-8:-4]) + raw[-4:]
        else:  # bytes of the deflate stream overwritten
            middle = len(raw) // 2
            raw = raw[:middle] + b"\x00\xff" * 16 + raw[middle + 32:]
        with open(path, "wb") as f:
            f.write(raw)

    def assert_fails(self, module, args, name, how):
        code, out, err = call_main(module, args)
        self.assertEqual(code, 1, (name, out, err))
        self.assertIn(name, err)
        if how != "overwritten":  # garbage may decode into a line that is malformed first
            self.assertIn("damaged or truncated", err)
        self.assertNotIn("Traceback", err)
        self.assertEqual(out, "")

    def test_every_reader(self):
        with open(os.path.join(DATA, "jaspar", "JASPAR2018_CORE_vertebrates.txt"), "rb") as f:
            jaspar = f.read()
        with gzip.open(os.path.join(DATA, "pdb", "4hhb.pdb.gz"), "rb") as f:
            pdb = f.read()
        for how in ("truncated", "crc", "overwritten"):
            with self.subTest(how=how):
                path = self.gz("%s/m.txt.gz" % how, jaspar)
                self.damage(path, how)
                self.assert_fails(rsnp, ["--sign", "10", "--snpdm1", "1", "--snpdm2", "2", "-f", "ACGTACGTAC",
                                         "-s", "ACGTTCGTAC", "--matrices", path], "m.txt.gz", how)
                folder = os.path.join(self.tmp, how, "aa")
                os.makedirs(folder)
                for name in ("aaindex1", "aaindex2", "aaindex3"):
                    shutil.copy(os.path.join(DATA, "aaindex", name), folder)
                with open(os.path.join(DATA, "aaindex", "aaindex3"), "rb") as f:
                    # A large release file: the extract repeated behind unrelated entries.
                    body = b"H FILLER\nD x\n//\n" * 2000 + f.read()
                with gzip.open(os.path.join(folder, "aaindex3"), "wb") as f:
                    f.write(body)
                self.damage(os.path.join(folder, "aaindex3"), how)
                self.assert_fails(protstability1d, ["-p", "3", "-s", ">s\nMVLSPADK", "-t", "A", "--aaindex", folder],
                                  "aaindex3", how)
                pdb_path = self.gz("%s/s/4hhb.pdb.gz" % how, pdb)
                self.damage(pdb_path, how)
                mapping = self.write("%s/s/map.tsv" % how, "P69905\tA\t4hhb.pdb.gz\tA\t-1\n")
                self.assert_fails(protstability3d, ["-c", "A", "-i", "P69905", "-p", "59", "-t", "R",
                                                    "--pdb-map", mapping], "4hhb.pdb.gz", how)
                self.assert_fails(snp2pdbsite, ["-c", "A", "-m", "A 59 H -> R", "-p", "P69905",
                                                 "--pdb-map", mapping], "4hhb.pdb.gz", how)
                rows = "".join("chr7\t%d\t%d\trs%d\n" % (i, i + 1, i) for i in range(20000)).encode()
                table = self.gz("%s/rsids.bed.gz" % how, rows)
                self.damage(table, how)
                peaks = os.path.join(self.tmp, how, "peaks")
                self.gz("%s/peaks/CTCF.bed.gz" % how, b"chr7\t0\t100\n")
                self.assert_fails(SNPChIPTools, ["--ug", "true", "-i", "rs5", "--rsid-table", table,
                                                 "--peaks", peaks], "rsids.bed.gz", how)
                good = self.gz("%s/good.bed.gz" % how, b"chr7\t5\t6\trs5\n")
                peak = self.gz("%s/peaks/EP300.bed.gz" % how, "".join(
                    "chr7\t%d\t%d\n" % (i, i + 50) for i in range(20000)).encode())
                self.damage(peak, how)
                self.assert_fails(SNPChIPTools, ["--ug", "true", "-i", "rs5", "--rsid-table", good,
                                                 "--peaks", peaks], "EP300.bed.gz", how)

    def test_process_start_reports_it_too(self):
        path = self.gz("m.txt.gz", MATRIX.encode() * 200)
        self.damage(path, "truncated")
        code, out, err = run_script("rsnp.py", ["--sign", "10", "--snpdm1", "1", "--snpdm2", "2", "-f", "ACGTACGTAC",
                                                "-s", "ACGTTCGTAC", "--matrices", path])
        self.assertEqual((code, out), (1, ""))
        self.assertRegex(err, r"^rsnp\.py: error: .*m\.txt\.gz: damaged or truncated file after line \d+")


class NonFiniteNumbersTest(ScriptTestCase):
    def ask_rsnp(self, path):
        return call_main(rsnp, ["--sign", "10", "--snpdm1", "1", "--snpdm2", "2", "-f", "ACGTACGTAC",
                                "-s", "ACGTTCGTAC", "--matrices", path])

    def test_matrix_counts(self):
        for bad, line in (("nan", 3), ("inf", 4), ("-inf", 2), ("1e308", 5), ("-1", 3), ("1e10", 4)):
            rows = MATRIX.split("\n")
            rows[line - 1] = rows[line - 1].replace(" 0 ]", " %s ]" % bad).replace(" 5 ]", " %s ]" % bad)
            path = self.write("m.txt", "\n".join(rows))
            code, out, err = self.ask_rsnp(path)
            self.assertEqual(code, 1, (bad, err))
            self.assertNotIn("Traceback", err)
            if bad == "-1":
                self.assertIn("negative count", err)
            else:
                self.assertIn("m.txt:%d: a count must be a finite number of at most 1e+09" % line, err)
        # The clean matrix answers.
        code, out, err = self.ask_rsnp(self.write("m.txt", MATRIX))
        self.assertEqual(code, 0, err)

    def test_aaindex_values(self):
        folder = os.path.join(self.tmp, "aa")
        os.makedirs(folder)
        for name in ("aaindex2", "aaindex3"):
            shutil.copy(os.path.join(DATA, "aaindex", name), folder)
        with open(os.path.join(DATA, "aaindex", "aaindex1")) as f:
            text = f.read()
        with open(os.path.join(folder, "aaindex1"), "w") as f:
            f.write(text.replace("1.8", "inf", 1))
        code, out, err = call_main(protstability1d, ["-p", "3", "-s", ">s\nMVLSPADK", "-t", "A", "--aaindex", folder])
        self.assertEqual(code, 1)
        self.assertRegex(err, r"aaindex1:\d+: entry KYTJ820101: an AAindex value must be a finite number, not 'inf'")
        with open(os.path.join(folder, "aaindex1"), "w") as f:
            f.write(text.replace("1.8", "  nan", 1))  # another size: the cache key changes for sure
        protstability1d.sc._memo.clear()
        code, out, err = call_main(protstability1d, ["-p", "3", "-s", ">s\nMVLSPADK", "-t", "A", "--aaindex", folder])
        self.assertEqual(code, 1)
        self.assertIn("not 'nan'", err)


if __name__ == "__main__":
    unittest.main()
