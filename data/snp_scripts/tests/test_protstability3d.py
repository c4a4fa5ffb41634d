import math
import os
import unittest

from helpers import ScriptTestCase, answer_of, call_main, run_script
from test_snp2pdbsite import atom

import protstability3d

# A toy chain: Leu 10 (CA at the origin, CB at x=1) touches Ala 11; Trp 20 is 8.06 A from the
# Leu CB (a burial neighbour, but 8 A from every Leu atom, so no contact); Gly 30 is far away.
TOY = (atom(1, "CA", "LEU", "A", 10, 0, 0, 0, "C") + atom(2, "CB", "LEU", "A", 10, 1, 0, 0, "C")
       + atom(3, "CA", "ALA", "A", 11, 3.8, 0, 0, "C") + atom(4, "CB", "ALA", "A", 11, 4.5, 1, 0, "C")
       + atom(5, "CA", "TRP", "A", 20, 0, 8, 0, "C") + atom(6, "CA", "GLY", "A", 30, 20, 0, 0, "C"))


def shell(count, radius, centre):
    """count glycine C-alpha atoms spread over a sphere around centre (golden spiral)."""
    text = ""
    for k in range(count):
        z = 1 - 2 * (k + 0.5) / count
        r = math.sqrt(1 - z * z)
        phi = k * math.pi * (3 - math.sqrt(5))
        text += atom(100 + k, "CA", "GLY", "A", 100 + k, centre[0] + radius * r * math.cos(phi),
                     centre[1] + radius * r * math.sin(phi), centre[2] + radius * z, "C")
    return text


class StabilityTermsByHandTest(ScriptTestCase):
    def ask(self, pdb_text, position="10", mutant="F"):
        self.write("s/toy.pdb", pdb_text)
        mapping = self.write("s/map.tsv", "TOY\tA\ttoy.pdb\tA\t0\n")
        code, out, err = call_main(protstability3d, ["-c", "A", "-i", "TOY", "-p", position, "-t", mutant,
                                                     "--pdb-map", mapping])
        self.assertEqual(code, 0, err)
        return answer_of(out, "STABILITY_3D"), answer_of(out, "STABILITY_3D_TERMS")

    # L10F by hand:
    #   s_hyd = KD(F) - KD(L) = 2.8 - 3.8 = -1.0
    #   s_sub = B(L,F) - B(L,L) = 1 - 6 = -5
    #   s_seq = SKOJ(A,F) - SKOJ(A,L) = -0.2 + 0.3 = 0.1            (window: Ala 11 only)
    #   s_3d  = BASU(A,F) - BASU(A,L) = -0.1119 + 0.1711 = 0.0592   (contacts: Ala 11 only)
    #   sum   = 0.18*-1.0 + 0.20*-5 - 0.29*0.1 - 0.33*0.0592 = -1.228536
    SUM = -1.228536

    def test_exposed_residue(self):
        # Two C-alpha atoms within 10 A of the Leu CB: ac = (24 - 2) / 20 -> 1, factor 1.1 - 1 = 0.1.
        value, terms = self.ask(TOY)
        self.assertTrue(terms.startswith("s_hyd=-1.000 s_sub=-5.000 s_seq=0.100 s_3d=0.059 ac=1.00 "
                                         "neighbours=2 contacts=1 "), terms)
        self.assertEqual(value, "%.2f" % (self.SUM * 0.1))

    def test_buried_residue_weighs_ten_times_more(self):
        # 24 more C-alpha atoms 7 A around the CB: 26 neighbours, ac = 0, factor 1.1; still one contact.
        value, terms = self.ask(TOY + shell(24, 7.0, (1, 0, 0)))
        self.assertIn("ac=0.00 neighbours=26 contacts=1 ", terms)
        self.assertEqual(value, "%.2f" % (self.SUM * 1.1))

    def test_same_residue_and_requests_without_an_answer(self):
        self.assertEqual(self.ask(TOY, mutant="L")[0], "0.00")
        self.assertEqual(self.ask(TOY, mutant="*"), ("not applicable (new residue is a stop codon)", None))
        self.assertEqual(self.ask(TOY, position="12")[0], "no residue A 12 in TOY")


class HaemoglobinTest(ScriptTestCase):
    def test_real_structure_answers_through_the_shipped_map(self):
        code, out, err = run_script("protstability3d.py", ["-c", "A", "-i", "P69905", "-p", "59", "-t", "R"])
        self.assertEqual(code, 0, err)
        self.assertIn("residue=4HHB A HIS58", answer_of(out, "STABILITY_3D_TERMS"))
        float(answer_of(out, "STABILITY_3D"))
        code, out, err = run_script("protstability3d.py", ["-c", "A", "-i", "NOTMAPPED1", "-p", "59", "-t", "R"])
        self.assertEqual((code, answer_of(out, "STABILITY_3D")), (0, "no structure for NOTMAPPED1"))

    def test_bad_command_lines_fail(self):
        for args in (["-c", "A", "-i", "P69905", "-p", "59"], ["-c", "AB", "-i", "P69905", "-p", "59", "-t", "R"],
                     ["-c", "A", "-i", "", "-p", "59", "-t", "R"], ["-c", "A", "-i", "P69905", "-p", "-1", "-t", "R"],
                     ["-c", "A", "-i", "P69905", "-p", "59", "-t", "Q2"]):
            code, out, err = run_script("protstability3d.py", args)
            self.assertEqual(code, 2, args)
            self.assertEqual(out, "")
            self.assertIn("error", err)

    def test_corrupt_structure_fails(self):
        self.write("s/bad.pdb", "ATOM      1  CA  LEU A  xx       0.000   0.000   0.000  1.00 10.00           C\n")
        mapping = self.write("s/map.tsv", "BAD\tA\tbad.pdb\tA\t0\n")
        code, out, err = run_script("protstability3d.py", ["-c", "A", "-i", "BAD", "-p", "1", "-t", "R",
                                                           "--pdb-map", mapping])
        self.assertEqual(code, 1)
        self.assertIn("bad.pdb:1: malformed ATOM record", err)


if __name__ == "__main__":
    unittest.main()
