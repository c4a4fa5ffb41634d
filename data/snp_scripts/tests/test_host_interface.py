"""What a pre-started host relies on: importing a script does nothing but define, main(argv)
answers like a process, and warm() loads the default data quietly."""

import contextlib
import io
import os
import subprocess
import sys
import unittest

from helpers import SCRIPTS_DIR, ScriptTestCase, call_main, run_script

SCRIPTS = ("rsnp", "protstability1d", "protstability3d", "snp2pdbsite", "SNPChIPTools")


class ImportTest(ScriptTestCase):
    def test_import_prints_writes_and_reads_nothing(self):
        # stdin stays open: a script that read it at import would block until the timeout.
        code = "import sys; sys.path.insert(0, %r); import %s" % (SCRIPTS_DIR, ", ".join(SCRIPTS))
        with subprocess.Popen([sys.executable, "-c", code], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, env=dict(os.environ, NX_SNP_CACHE_DIR=self.cache)) as proc:
            out, err = proc.stdout.read(), proc.stderr.read()
            self.assertEqual(proc.wait(timeout=60), 0, err)
        self.assertEqual((out, err), (b"", b""))
        self.assertFalse(os.path.exists(self.cache))

    def test_main_takes_the_arguments_without_the_program_name(self):
        for name in SCRIPTS:
            module = __import__(name)
            code, out, err = call_main(module, ["--help"])
            self.assertEqual((code, err), (0, ""), name)
            self.assertTrue(out.startswith("usage: %s.py" % name), name)
            code, out, err = call_main(module, ["--no-such-option", "1"])
            self.assertEqual(code, 2, name)
            self.assertEqual(out, "")


class WarmTest(ScriptTestCase):
    def test_warm_loads_quietly_and_requests_then_read_no_data_file(self):
        import protstability3d
        import rsnp
        import snpcommon
        for name in ("rsnp", "protstability1d", "protstability3d", "snp2pdbsite"):
            out, err = io.StringIO(), io.StringIO()
            with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
                self.assertTrue(__import__(name).warm(), name)
            self.assertEqual((out.getvalue(), err.getvalue()), ("", ""), name)
        # After warm(), a request opens no data file: every source read would go through open_text.
        saved = snpcommon.open_text

        def refuse(path):
            raise AssertionError("read %s after warm()" % path)
        snpcommon.open_text = refuse
        try:
            code, out, err = call_main(protstability3d, ["-c", "A", "-i", "P69905", "-p", "59", "-t", "R"])
            self.assertEqual(code, 0, err)
            code, out, err = call_main(rsnp, ["--sign", "10", "--snpdm1", "1", "--snpdm2", "2",
                                              "-f", "ACGTACGTACGTACGTACGTA", "-s", "ACGTACGTACCTACGTACGTA"])
            self.assertEqual(code, 0, err)
        finally:
            snpcommon.open_text = saved

    def test_warm_without_data_returns_false(self):
        import SNPChIPTools
        os.environ["NX_SNP_RSID_TABLE"] = os.path.join(self.tmp, "missing.bed")
        try:
            self.assertFalse(SNPChIPTools.warm())
        finally:
            del os.environ["NX_SNP_RSID_TABLE"]


class RepeatedRunsTest(ScriptTestCase):
    """The scripts declare that runs may share one interpreter: interleaved runs of every kind
    (answers, refusals, data errors, help) in one interpreter answer as fresh processes do."""

    def test_interleaved_runs_in_one_interpreter_answer_like_processes(self):
        table = self.write("rsids.bed", "chr7\t999\t1000\trs1\nchr7\t1200\t1201\trs2\n")
        peaks = os.path.join(self.tmp, "peaks")
        self.write("peaks/CTCF.narrowPeak", "chr7\t1000\t1400\tp1\t850\t.\t35.2\t12.3\t-1\t200\n")
        window = "CTAGCTTGCGGTTTCTGTGGTTTGCATGCATCGATCGGCTA"
        requests = {
            "protstability1d": [["-p", "3", "-s", ">s\nMVLSPADK", "-t", "A"], ["-p", "20", "-s", "MVLSPADK", "-t", "A"],
                                ["-p", "2", "-s", "MVLSPADK", "-t", "W"], ["-p", "2", "-s", "MVLSPADK", "-t", "J"]],
            "protstability3d": [["-c", "A", "-i", "P69905", "-p", "59", "-t", "R"],
                                ["-c", "A", "-i", "NOTMAPPED1", "-p", "59", "-t", "R"],
                                ["-c", "A", "-i", "P69905", "-p", "44", "-t", "L"]],
            "snp2pdbsite": [["-c", "A", "-m", "A 59 H -> L", "-p", "P69905"], ["-c", "A", "-m", "A 1 G -> A", "-p", "P1"],
                            ["-c", "A", "-m", "nonsense", "-p", "P69905"]],
            "rsnp": [["--sign", "10", "--snpdm1", "1", "--snpdm2", "2", "-f", window, "-s", window.replace("GCAT", "GGAT", 1)],
                     ["--sign", "5", "--snpdm1", "1", "--snpdm2", "1", "-f", "ACGT", "-s", "AGGT"],
                     ["--sign", "10", "--snpdm1", "9", "--snpdm2", "2", "-f", window, "-s", window]],
            "SNPChIPTools": [["--ug", "true", "-i", rsid, "--rsid-table", table, "--peaks", peaks]
                             for rsid in ("rs1", "rs2", "rs404")],
        }
        for name, runs in requests.items():
            module = __import__(name)
            self.assertIs(module.NX_INDEPENDENT_RUNS, True, name)
            # Every request, then all of them again in reverse: a later run must not see an earlier one.
            for args in runs + [["--help"]] + runs[::-1]:
                with self.subTest(name=name, args=args):
                    self.assertEqual(call_main(module, args), run_script(name + ".py", args))


if __name__ == "__main__":
    unittest.main()
