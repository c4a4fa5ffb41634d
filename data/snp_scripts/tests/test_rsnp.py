import bisect
import itertools
import math
import os
import unittest

from helpers import SCRIPTS_DIR, ScriptTestCase, answer_of, call_main, run_script

import rsnp

JASPAR = os.path.join(SCRIPTS_DIR, "data", "jaspar", "JASPAR2018_CORE_vertebrates.txt")

# TOY1 prefers GATTA: 97 of 100 counts on the consensus base of every column.
TOY = """>TOY1 Toy
A [ 1 97 1 1 97 ]
C [ 1 1 1 1 1 ]
G [ 97 1 1 1 1 ]
T [ 1 1 97 97 1 ]
>TOY2 Short
A  [ 3 0 1 ]
C  [ 1 2 1 ]
G  [ 0 2 1 ]
T  [ 0 0 1 ]
"""


def enumerate_tail(rows):
    """Brute force: p-value of every reachable score, over all 4^L words."""
    scores = [sum(r[b] for r, b in zip(rows, word)) for word in itertools.product(range(4), repeat=len(rows))]
    total = float(len(scores))
    return {s: sum(1 for x in scores if x >= s) / total for s in set(scores)}


class PValueTest(ScriptTestCase):
    def setUp(self):
        super().setUp()
        self.path = self.write("toy.txt", TOY)

    def test_weights_with_pseudocounts_by_hand(self):
        # Column (10, 0, 0, 0): pseudocount sqrt(10) = 3.1623 spread as 0.7906 per base.
        #   w_A = log2((10 + 0.7906) / 13.1623 / 0.25) = 1.7135 bits -> 171
        #   w_C = log2(0.7906 / 13.1623 / 0.25)        = -2.0574 bits -> -206; N takes the minimum.
        self.assertEqual(rsnp.integer_weights([[10, 0, 0, 0]]), [[171, -206, -206, -206, -206]])

    def test_p_values_match_full_enumeration(self):
        matrices = rsnp.load_matrices(self.path)
        real = [m for m in rsnp.load_matrices(JASPAR) if len(m[2]) <= 6][:2]
        self.assertEqual(len(real), 2)
        for matrix, path in [(m, self.path) for m in matrices] + [(m, JASPAR) for m in real]:
            rows = [r[:4] for r in matrix[2]]
            expected = enumerate_tail(rows)
            for score, p in expected.items():
                self.assertAlmostEqual(rsnp.p_value(path, matrix, score), p, places=15, msg=(matrix[0], score))
            # Thresholds: the lowest reachable score whose p-value is at most the level.
            for level, t in zip(rsnp.LEVELS, matrix[4]):
                passing = [s for s, p in expected.items() if p <= level * (1 + 1e-12)]
                if passing:
                    self.assertEqual(min(passing), min(s for s in expected if s >= t), (matrix[0], level))
                else:
                    self.assertGreater(t, max(expected))

    def test_reverse_strand_matrix(self):
        rows = rsnp.integer_weights([[1, 2, 3, 4], [5, 6, 7, 9]])
        self.assertEqual(rsnp.reverse_complement(rows), [[r[3], r[2], r[1], r[0], r[4]] for r in reversed(rows)])


class BindingStateTest(ScriptTestCase):
    def setUp(self):
        super().setUp()
        self.path = self.write("toy.txt", TOY)

    def ask(self, first, second, sign, state1, state2, extra=()):
        code, out, err = call_main(rsnp, ["--sign", str(sign), "--snpdm1", str(state1), "--snpdm2", str(state2),
                                          "-f", first, "-s", second, "--matrices", self.path] + list(extra))
        self.assertEqual(code, 0, err)
        return answer_of(out, "PRESENT")

    REF = "NNNNGATTANNNN"
    ONE_OFF = "NNNNGACTANNNN"
    TWO_OFF = "NNNNGACCANNNN"

    def test_states_follow_p_value_decades_and_score_sign(self):
        # GATTA alone reaches the top score: p = 1/1024 = 0.00098. One mismatch: 16 words score at
        # least as well, p = 0.0156. Two mismatches: 3 * 1.855 - 2 * 2.97 bits < 0.
        w = rsnp.integer_weights([[1, 97, 1, 1]])[0]
        top, off = w[1] / 100.0, w[0] / 100.0
        self.assertGreater(4 * top + off, 0)
        self.assertLess(3 * top + 2 * off, 0)
        answer = self.ask(self.REF, self.ONE_OFF, 8, 1, 3)  # P = 0.001: Normal, then Undetectable
        self.assertEqual(answer, "Toy TOY1 (first score %.2f p=0.00098 +5, second score %.2f p=0.016 +5)"
                         % (5 * top, 4 * top + off))
        self.assertEqual(self.ask(self.REF, self.ONE_OFF, 8, 1, 2), "none")
        self.assertIn("TOY1", self.ask(self.REF, self.ONE_OFF, 9, 2, 3))     # P = 0.0005: Weakened
        self.assertIn("TOY1", self.ask(self.REF, self.ONE_OFF, 4, 0, 1))     # P = 0.025: Extended, Normal
        self.assertIn("TOY1", self.ask(self.REF, self.ONE_OFF, 6, 1, 2))     # P = 0.005: Normal, Weakened
        self.assertIn("TOY1", self.ask(self.REF, self.ONE_OFF, 13, 3, 4))    # P = 0.000025: Unspecific
        self.assertIn("TOY1", self.ask(self.REF, self.TWO_OFF, 8, 1, 6))     # No binding
        self.assertIn("TOY1", self.ask(self.ONE_OFF, self.REF, 8, 3, 1))

    def test_p_value_decides_before_the_score_sign(self):
        # Two mismatches of TOY1 score 3 * 1.86 - 2 * 2.97 bits < 0, yet 1 + 5*3 + 10*9 = 106 of the
        # 1024 words score at least as well: p = 0.1035. At P = 0.0025 that is within 100 P = 0.25,
        # so "Undetectable", not "No binding"; at P = 0.001 (100 P = 0.1) nothing holds: "No binding".
        w = rsnp.integer_weights([[1, 97, 1, 1]])[0]
        second = (3 * w[1] + 2 * w[0]) / 100.0
        self.assertLess(second, 0)
        self.assertEqual(self.ask(self.REF, self.TWO_OFF, 7, 1, 3),
                         "Toy TOY1 (first score %.2f p=0.00098 +5, second score %.2f p=0.1 +5)" % (5 * w[1] / 100.0, second))
        self.assertEqual(self.ask(self.REF, self.TWO_OFF, 7, 1, 6), "none")
        self.assertIn("TOY1", self.ask(self.REF, self.TWO_OFF, 8, 1, 6))
        self.assertEqual(self.ask(self.REF, self.TWO_OFF, 8, 1, 4), "none")

    def test_adjusted_p_values(self):
        # The change at offset 6 of 13 bases lies in windows 3..7 of TOY1 (5 long): m = 5 windows x
        # 2 strands = 10; with --adjust all, times 2 matrices in the file = 20. At P = 0.01:
        #   unadjusted  first 1/1024 = 0.00098 <= P/10: Extended; second 16/1024 = 0.0156 <= 10 P: Weakened
        #   windows     0.0098 <= P: Normal;              0.156 <= 100 P: Undetectable
        #   all         0.0195 <= 10 P: Weakened;         0.3125 <= 100 P: Undetectable
        self.assertIn("TOY1", self.ask(self.REF, self.ONE_OFF, 5, 0, 2))
        self.assertEqual(self.ask(self.REF, self.ONE_OFF, 5, 0, 2, ["--adjust", "none"]),
                         self.ask(self.REF, self.ONE_OFF, 5, 0, 2))
        self.assertEqual(self.ask(self.REF, self.ONE_OFF, 5, 0, 2, ["--adjust", "windows"]), "none")
        answer = self.ask(self.REF, self.ONE_OFF, 5, 1, 3, ["--adjust", "windows"])
        w = rsnp.integer_weights([[1, 97, 1, 1]])[0]
        self.assertIn("first score %.2f p=0.00098 adjusted p=0.0098 +5" % (5 * w[1] / 100.0), answer)
        self.assertIn("second score %.2f p=0.016 adjusted p=0.16 +5" % ((4 * w[1] + w[0]) / 100.0), answer)
        answer = self.ask(self.REF, self.ONE_OFF, 5, 2, 3, ["--adjust", "all"])
        self.assertIn("adjusted p=0.02 +5", answer)
        self.assertIn("adjusted p=0.31 +5", answer)
        code, out, err = call_main(rsnp, ["--sign", "5", "--snpdm1", "1", "--snpdm2", "1", "-f", "ACGT", "-s", "AGGT",
                                          "--adjust", "sidak"])
        self.assertEqual(code, 2)
        self.assertIn("--adjust must be one of none, windows, all", err)

    def test_help_says_the_p_values_are_per_site(self):
        code, out, err = call_main(rsnp, ["--help"])
        self.assertIn("NOT corrected for the number", out)
        self.assertIn("--adjust", out)

    def test_reverse_strand_and_length_changes(self):
        rc = "NNNNTAATCNNNN"
        self.assertIn("first score", self.ask(rc, "NNNNTAGTCNNNN", 8, 1, 3))
        self.assertIn("-5", self.ask(rc, "NNNNTAGTCNNNN", 8, 1, 3))
        # A deletion of the middle T and an insertion in front of it both break the site.
        self.assertIn("TOY1", self.ask(self.REF, "NNNNGATANNNN", 8, 1, 6))
        self.assertIn("TOY1", self.ask(self.REF, "NNNNGACTTANNNN", 8, 1, 6))

    def test_equal_sequences_and_short_sequences(self):
        self.assertEqual(self.ask(self.REF, self.REF, 8, 1, 1), "none")
        self.assertEqual(self.ask("GAT", "GCT", 8, 1, 3), "none")  # shorter than every matrix


class RealMatricesTest(ScriptTestCase):
    REF = "GGCTAGCTAGGATCGATCGGCTAGCTTGCGGTTTCTGTGGTTTGCATGCATCGATCGGCTAGCTAGCATCGATCGGCTAGCTA"

    def test_all_matrices_read_and_the_cache_is_used(self):
        matrices = rsnp.load_matrices(JASPAR)
        self.assertEqual(len(matrices), 579)
        saved = rsnp.read_matrices
        rsnp.read_matrices = None  # a second load, from the cache file alone, must not parse the file again
        rsnp.sc._memo.clear()
        try:
            self.assertEqual(rsnp.load_matrices(JASPAR), matrices)
        finally:
            rsnp.read_matrices = saved

    def test_host_command_line(self):
        alt = self.REF[:40] + "A" + self.REF[41:]
        code, out, err = run_script("rsnp.py", ["--sign", "10", "--snpdm1", "1", "--snpdm2", "2",
                                                "-f", self.REF, "-s", alt])
        self.assertEqual(code, 0, err)
        answer = answer_of(out, "PRESENT")
        self.assertTrue(answer == "none" or "first score" in answer, answer)
        for item in ([] if answer == "none" else answer.split("; ")):
            p1 = float(item.split("p=")[1].split()[0])
            p2 = float(item.split("p=")[2].split()[0])
            self.assertTrue(0.000025 < p1 <= 0.00025 and 0.00025 < p2 <= 0.0025, item)

    def test_site_below_zero_bits_with_a_small_p_value(self):
        # GLIS1 (MA0735.1) has many weak columns: its best site in the reference scores -0.26 bits
        # and yet only 0.013 % of all 16-mers score as well, which at P = 0.00025 is "Normal".
        first, second = "GGCCCCCCCACAGAGC", "GGGCCCCCCACAGAGC"
        args = ["--sign", "10", "-f", first, "-s", second]
        code, out, err = call_main(rsnp, ["--snpdm1", "1", "--snpdm2", "1"] + args)
        self.assertEqual(answer_of(out, "PRESENT"),
                         "GLIS1 MA0735.1 (first score -0.26 p=0.00013 +1, second score 0.12 p=0.00012 +1)")
        code, out, err = call_main(rsnp, ["--snpdm1", "6", "--snpdm2", "1"] + args)
        self.assertEqual(answer_of(out, "PRESENT"), "none")
        # The p-value by a second, independent count: enumerate the 4^8 halves of the 16-mers.
        matrix = next(m for m in rsnp.load_matrices(JASPAR) if m[0] == "MA0735.1")
        rows = [r[:4] for r in matrix[2]]
        self.assertEqual(len(rows), 16)
        score = sum(r[rsnp.CODES[b]] for r, b in zip(rows, first))
        self.assertEqual(score, -26)
        left = sorted(sum(r[b] for r, b in zip(rows[:8], word)) for word in itertools.product(range(4), repeat=8))
        right = [sum(r[b] for r, b in zip(rows[8:], word)) for word in itertools.product(range(4), repeat=8)]
        count = sum(len(left) - bisect.bisect_left(left, score - x) for x in right)
        self.assertAlmostEqual(count / 4.0 ** 16, 0.00013, delta=0.000005)
        self.assertEqual(rsnp.p_value(JASPAR, matrix, score), count / 4.0 ** 16)

    def test_bad_command_lines_fail(self):
        good = {"--sign": "10", "--snpdm1": "1", "--snpdm2": "2", "-f": "ACGT", "-s": "ACTT"}
        for key, bad in (("--sign", "16"), ("--sign", "x"), ("--snpdm1", "5"), ("--snpdm2", "-1"),
                         ("-f", "AC1T"), ("-s", ""), ("-f", None)):
            opts = dict(good)
            if bad is None:
                del opts[key]
            else:
                opts[key] = bad
            code, out, err = run_script("rsnp.py", [x for kv in opts.items() for x in kv])
            self.assertEqual(code, 2, (key, bad))
            self.assertEqual(out, "")
            self.assertIn("error", err)

    def test_bad_matrix_files_fail(self):
        for text, where in ((">M1 x\nA [1 2]\nC [1 2]\nG [1]\nT [1 2]\n", "M1 needs four rows"),
                            (">M1 x\nA [1 2]\nQ [1 2]\n", "bad.txt:3"),
                            (">M1 x\nA [1 z]\n", "bad.txt:2"), ("", "holds no matrix")):
            path = self.write("bad.txt", text)
            code, out, err = run_script("rsnp.py", ["--sign", "10", "--snpdm1", "1", "--snpdm2", "2",
                                                    "-f", "ACGT", "-s", "ACTT", "--matrices", path])
            self.assertEqual(code, 1, text)
            self.assertIn(where, err)


if __name__ == "__main__":
    unittest.main()
