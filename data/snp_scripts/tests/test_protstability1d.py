import os
import unittest

from helpers import ScriptTestCase, answer_of, call_main, run_script

import aaindex
import protstability1d
import stability as st

SEQ = ">seq\nMVLSPADK"


class StabilityByHandTest(ScriptTestCase):
    def ask(self, position, mutant, sequence=SEQ, extra=()):
        code, out, err = call_main(protstability1d, ["-p", str(position), "-s", sequence, "-t", mutant] + list(extra))
        self.assertEqual(code, 0, err)
        return answer_of(out, "STABILITY_1D"), answer_of(out, "STABILITY_1D_TERMS")

    def test_leucine_to_alanine_by_hand(self):
        # L3A in MVLSPADK, from the AAindex tables:
        #   s_hyd = KD(A) - KD(L) = 1.8 - 3.8 = -2.0
        #   s_sub = (B(A,A) - B(L,L)) / 2 = (6 - 6) / 2 = 0
        #   s_seq = sum over M, V, S, P of SKOJ(n,A) - SKOJ(n,L)
        #         = (-0.3+1.0) + (-0.4+1.2) + (0.9-0.4) + (0.6-0.0) = 2.6
        #   ddG = 0.27*(-2.0) + 0.30*0 - 0.43*2.6 = -1.658
        value, terms = self.ask(3, "A")
        self.assertEqual(value, "-1.66")
        self.assertEqual(terms, "s_hyd=-2.000 s_sub=0.000 s_seq=2.600")

    def test_window_is_cut_at_the_ends_and_three_letter_codes_work(self):
        # M1 -> K: only V and L follow within two residues.
        #   s_hyd = -3.9 - 1.9 = -5.8; s_sub = (B(K,K) - B(M,M)) / 2 = (7 - 8) / 2 = -0.5
        #   s_seq = (SKOJ(V,K) - SKOJ(V,M)) + (SKOJ(L,K) - SKOJ(L,M)) = (0.7+0.8) + (0.5+1.0) = 3.0
        value, terms = self.ask(1, "Lys")
        self.assertEqual(terms, "s_hyd=-5.800 s_sub=-0.500 s_seq=3.000")
        self.assertEqual(value, "%.2f" % (0.27 * -5.8 + 0.30 * -0.5 - 0.43 * 3.0))

    def test_reverse_substitution_scores_minus_the_forward_one(self):
        forward = self.ask(3, "A")
        backward = self.ask(3, "L", sequence=">seq\nMVASPADK")
        self.assertEqual(backward, ("1.66", "s_hyd=2.000 s_sub=0.000 s_seq=-2.600"))
        self.assertEqual(forward[0], "-1.66")

    def test_every_pair_is_exactly_antisymmetric(self):
        # All 380 ordered pairs in one context: the exact floats, not only the printed values.
        tables = aaindex.load(aaindex.folder(None), indices=(st.KD,),
                              matrices=((st.BLOSUM, "aaindex2"), (st.SKOLNICK, "aaindex3")))
        for w in aaindex.AMINO:
            for m in aaindex.AMINO:
                forward = st.ddg_1d(tables, "MVL" + w + "PADK", 3, m)
                backward = st.ddg_1d(tables, "MVL" + m + "PADK", 3, w)
                self.assertEqual(forward, tuple(-x for x in backward), (w, m))
                if w != m:
                    self.assertEqual(self.ask(4, m, sequence=">s\nMVL" + w + "PADK")[0].lstrip("-"),
                                     self.ask(4, w, sequence=">s\nMVL" + m + "PADK")[0].lstrip("-"))

    def test_a_profile_of_the_wild_type_alone_is_not_used(self):
        # With B(W, M) - B(W, W) every substitution had a negative substitution term; here the
        # term is positive whenever the new residue's self-score is the higher one (W: 16, A: 6).
        tables = aaindex.load(aaindex.folder(None), indices=(st.KD,),
                              matrices=((st.BLOSUM, "aaindex2"), (st.SKOLNICK, "aaindex3")))
        self.assertEqual(st.substitution_term(tables, "A", "W"), 5.0)
        self.assertEqual(st.substitution_term(tables, "W", "A"), -5.0)

    def test_same_residue_is_zero(self):
        self.assertEqual(self.ask(3, "L"), ("0.00", "s_hyd=0.000 s_sub=0.000 s_seq=0.000"))

    def test_requests_without_an_answer(self):
        self.assertEqual(self.ask(3, "*")[0], "not applicable (new residue is a stop codon)")
        self.assertEqual(self.ask(9, "A")[0], "not applicable (position 9 is past the last residue 8)")
        self.assertEqual(self.ask(2, "A", sequence=">seq\nMXL")[0],
                         "not applicable (wild-type residue X is no standard amino acid)")
        self.assertIsNone(self.ask(9, "A")[1])

    def test_full_release_files_give_the_same_answer(self):
        shared = "/work/shared/data/aaindex"
        if not os.path.isdir(shared):
            self.skipTest("the full AAindex release is not at hand")
        self.assertEqual(self.ask(3, "A", extra=["--aaindex", shared]), self.ask(3, "A"))


class CommandLineTest(ScriptTestCase):
    def test_host_command_line(self):
        code, out, err = run_script("protstability1d.py", ["-p", "3", "-s", SEQ, "-t", "A"])
        self.assertEqual((code, answer_of(out, "STABILITY_1D")), (0, "-1.66"), err)

    def test_bad_command_lines_fail(self):
        for args in (["-p", "0", "-s", SEQ, "-t", "A"], ["-p", "two", "-s", SEQ, "-t", "A"],
                     ["-p", "3", "-s", ">seq\n", "-t", "A"], ["-p", "3", "-s", ">a\nMV\n>b\nMV", "-t", "A"],
                     ["-p", "3", "-s", ">seq\nMV1L", "-t", "A"], ["-p", "3", "-s", SEQ, "-t", "J1"],
                     ["-p", "3", "-s", SEQ], ["-p", "3", "-s", SEQ, "-t", "A", "-x", "1"]):
            code, out, err = run_script("protstability1d.py", args)
            self.assertEqual(code, 2, args)
            self.assertEqual(out, "")
            self.assertIn("error", err)

    def test_missing_or_incomplete_tables_fail(self):
        code, out, err = run_script("protstability1d.py", ["-p", "3", "-s", SEQ, "-t", "A"],
                                    {"NX_AAINDEX_DIR": os.path.join(self.tmp, "nothing")})
        self.assertEqual(code, 1)
        self.assertIn("aaindex", err)
        folder = os.path.join(self.tmp, "aa")
        for name in ("aaindex1", "aaindex2", "aaindex3"):
            self.write(os.path.join("aa", name), "H OTHER\nD x\n//\n")
        code, out, err = run_script("protstability1d.py", ["-p", "3", "-s", SEQ, "-t", "A", "--aaindex", folder])
        self.assertEqual(code, 1)
        self.assertIn("has no entry KYTJ820101", err)


if __name__ == "__main__":
    unittest.main()
