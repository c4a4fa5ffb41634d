import math
import os
import unittest

from helpers import SCRIPTS_DIR, ScriptTestCase, answer_of, call_main, run_script
from test_snp2pdbsite import atom

import pdbstructure as ps
import protstability3d

PDB_DIR = os.path.join(SCRIPTS_DIR, "data", "pdb")

# Backbone of Leu 10; its C-beta is placed from N, CA and C, and the toy's other atoms are put at
# known offsets from that point.
N10, CA10, C10 = (-0.53, 1.36, 0.0), (0.0, 0.0, 0.0), (1.52, 0.0, 0.0)
CB10 = protstability3d.virtual_cb([("", "", 0, "", "", name, "", x, y, z)
                                   for name, (x, y, z) in (("N", N10), ("CA", CA10), ("C", C10))])


def at(offset):
    return tuple(c + o for c, o in zip(CB10, offset))


def toy(extra=""):
    """Leu 10 (with a side chain of its own); Ala 11, whose C-beta is 5 A from the position's
    C-beta (a contact); Trp 20, 9 A away (no contact, but both its atoms lie within 10 A); Gly 30
    far away. Four heavy atoms of other residues within 10 A: 4 / 7.8 residue equivalents."""
    text = ""
    for k, (name, res, num, point) in enumerate((
            ("N", "LEU", 10, N10), ("CA", "LEU", 10, CA10), ("C", "LEU", 10, C10), ("CB", "LEU", 10, at((0, 0, 0.1))),
            ("CG", "LEU", 10, at((0, 0, 1.6))),
            ("CA", "ALA", 11, at((5.5, 1.0, 0))), ("CB", "ALA", 11, at((5.0, 0, 0))),
            ("CA", "TRP", 20, at((0, 9.5, 0))), ("CB", "TRP", 20, at((0, 9.0, 0))),
            ("CA", "GLY", 30, at((25, 0, 0))))):
        text += atom(k + 1, name, res, "A", num, point[0], point[1], point[2], name[0])
    return text + extra


def shell(count, radius, resname="HEM", element="C"):
    """count ligand atoms spread over a sphere of the radius around the position's C-beta."""
    text = ""
    for k in range(count):
        z = 1 - 2 * (k + 0.5) / count
        r = math.sqrt(1 - z * z)
        phi = k * math.pi * (3 - math.sqrt(5))
        x, y, zz = at((radius * r * math.cos(phi), radius * r * math.sin(phi), radius * z))
        text += atom(500 + k, "C%d" % (k % 100), resname, "A", 142, x, y, zz, element, het=True)
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
    #   s_sub = (B(F,F) - B(L,L)) / 2 = (9 - 6) / 2 = 1.5
    #   s_seq = SKOJ(A,F) - SKOJ(A,L) = -0.2 + 0.3 = 0.1            (window: Ala 11 only)
    #   s_3d  = BASU(A,F) - BASU(A,L) = -0.1119 + 0.1711 = 0.0592   (contacts: Ala 11 only)
    #   sum   = 0.18*-1.0 + 0.20*1.5 - 0.29*0.1 - 0.33*0.0592 = 0.071464
    SUM = 0.071464

    def test_virtual_c_beta_has_tetrahedral_geometry(self):
        def angle(a, b, c):
            u = [a[i] - b[i] for i in range(3)]
            v = [c[i] - b[i] for i in range(3)]
            dot = sum(x * y for x, y in zip(u, v))
            return math.degrees(math.acos(dot / math.sqrt(sum(x * x for x in u) * sum(x * x for x in v))))
        self.assertAlmostEqual(math.dist(CB10, CA10), 1.53, delta=0.02)
        self.assertAlmostEqual(angle(N10, CA10, CB10), 110.5, delta=2.0)
        self.assertAlmostEqual(angle(C10, CA10, CB10), 110.1, delta=2.0)

    def test_exposed_residue(self):
        # 4 / 7.8 = 0.51 residue equivalents: ac = 1, factor 1.1 - 1 = 0.1.
        value, terms = self.ask(toy())
        self.assertTrue(terms.startswith("s_hyd=-1.000 s_sub=1.500 s_seq=0.100 s_3d=0.059 ac=1.00 "
                                         "neighbours=0.5 contacts=1 "), terms)
        self.assertEqual(value, "%.2f" % (self.SUM * 0.1))

    def test_ligand_atoms_count_in_the_burial_and_water_does_not(self):
        # 156 haem atoms 7 A around the C-beta add 20 residue equivalents: n = 160 / 7.8 = 20.51,
        # ac = (24 - 20.51) / 20 = 0.174, factor 1.1 - 0.174 = 0.926. 300 waters at 3 A add nothing.
        value, terms = self.ask(toy(shell(156, 7.0) + shell(300, 3.0, "HOH", "O")))
        self.assertIn("ac=0.17 neighbours=20.5 contacts=1 ", terms)
        self.assertEqual(value, "%.2f" % (self.SUM * (1.1 - (24 - 160 / 7.8) / 20)))

    def test_same_residue_and_requests_without_an_answer(self):
        self.assertEqual(self.ask(toy(), mutant="L")[0], "0.00")
        self.assertEqual(self.ask(toy(), mutant="*"), ("not applicable (new residue is a stop codon)", None))
        self.assertEqual(self.ask(toy(), position="12")[0], "no residue A 12 in TOY")
        self.assertEqual(self.ask(toy(), position="20")[0],
                         "not applicable (TOY TRP20 lacks a backbone atom N, CA or C)")


def haemoglobin_chain_a():
    """ATOM lines of chain A of 4HHB and the HETATM lines of its haem."""
    lines = []
    for number, line in protstability3d.sc.lines(os.path.join(PDB_DIR, "4hhb.pdb.gz")):
        if line.startswith("ATOM  ") and line[21] == "A" or line.startswith("HETATM") and line[17:26] == "HEM A 142":
            lines.append(line)
    return lines


class AntisymmetryTest(ScriptTestCase):
    """The reverse substitution, asked of the same structure with the new residue in place, gives
    exactly minus the estimate, for every pair of residues."""

    def test_every_pair_at_phe43_of_alpha_globin(self):
        chain = haemoglobin_chain_a()
        mapping = ""
        for letter, three in sorted(ps.ONE_TO_THREE.items()):
            if letter not in protstability3d.aaindex.AMINO:
                continue
            # Residue 43 renamed, its side chain beyond C-beta removed: only the backbone stays the same.
            text = "".join(l[:17] + three + l[20:] if l[22:26] == "  43" else l for l in chain
                           if l[22:26] != "  43" or l[12:16] in (" N  ", " CA ", " C  ", " O  ", " CB "))
            self.write("s/%s.pdb" % letter, text)
            mapping += "%s\tA\t%s.pdb\tA\t0\n" % (letter, letter)
        path = self.write("s/map.tsv", mapping)
        results = {}
        for w in protstability3d.aaindex.AMINO:
            for m in protstability3d.aaindex.AMINO:
                code, out, err = call_main(protstability3d, ["-c", "A", "-i", w, "-p", "43", "-t", m, "--pdb-map", path])
                self.assertEqual(code, 0, err)
                results[w, m] = answer_of(out, "STABILITY_3D"), answer_of(out, "STABILITY_3D_TERMS")
        for (w, m), (value, terms) in results.items():
            back_value, back_terms = results[m, w]
            self.assertEqual(float(value), -float(back_value), (w, m))
            fields = dict(f.split("=") for f in terms.split() if "=" in f)
            back = dict(f.split("=") for f in back_terms.split() if "=" in f)
            for key in ("s_hyd", "s_sub", "s_seq", "s_3d"):
                self.assertEqual(float(fields[key]), -float(back[key]), (w, m, key))
            for key in ("ac", "neighbours", "contacts"):
                self.assertEqual(fields[key], back[key], (w, m, key))

    def test_hydrophobic_to_charged_in_the_core_destabilises(self):
        # Every buried (ac <= 0.2) I, L, V, F, M, C, W of alpha globin, to D, E, K or R.
        # (Ala is left out: the contact potentials reward the aliphatic stem of Arg and Lys.)
        count = 0
        structure = ps.load(os.path.join(PDB_DIR, "4hhb.pdb.gz"))
        numbers = sorted(n for n, (name, _) in protstability3d.chain_view(structure, "A")[0].items()
                         if ps.THREE_TO_ONE[name] in "ILVFMCW")
        for number in numbers:
            for m in "DEKR":
                code, out, err = call_main(protstability3d, ["-c", "A", "-i", "P69905", "-p", str(number + 1), "-t", m])
                terms = answer_of(out, "STABILITY_3D_TERMS")
                if float(terms.split("ac=")[1].split()[0]) <= 0.2:
                    count += 1
                    self.assertLess(float(answer_of(out, "STABILITY_3D")), 0, terms)
        self.assertGreater(count, 80)

    def test_phe43_is_buried_by_the_haem(self):
        chain = haemoglobin_chain_a()
        self.write("s/with.pdb", "".join(chain))
        self.write("s/without.pdb", "".join(l for l in chain if not l.startswith("HETATM")))
        path = self.write("s/map.tsv", "WITH\tA\twith.pdb\tA\t0\nWITHOUT\tA\twithout.pdb\tA\t0\n")
        terms = {}
        for name in ("WITH", "WITHOUT"):
            code, out, err = call_main(protstability3d, ["-c", "A", "-i", name, "-p", "43", "-t", "L", "--pdb-map", path])
            terms[name] = dict(f.split("=") for f in answer_of(out, "STABILITY_3D_TERMS").split() if "=" in f)
        # The haem atoms within 10 A of the position's C-beta, counted straight from the file's text.
        backbone = {l[12:16].strip(): [float(l[30:38]), float(l[38:46]), float(l[46:54])]
                    for l in chain if l.startswith("ATOM") and l[22:26] == "  43"}
        centre = protstability3d.virtual_cb([("", "", 0, "", "", k, "", *v) for k, v in backbone.items()])
        haem = sum(1 for l in chain if l.startswith("HETATM")
                   and math.dist(centre, [float(l[30:38]), float(l[38:46]), float(l[46:54])]) <= 10.0)
        self.assertGreater(haem, 10)
        self.assertAlmostEqual(float(terms["WITH"]["neighbours"]) - float(terms["WITHOUT"]["neighbours"]),
                               haem / 7.8, delta=0.11)
        # In the whole tetramer Phe CD1 is buried (it was taken as half exposed without the haem).
        code, out, err = call_main(protstability3d, ["-c", "A", "-i", "P69905", "-p", "44", "-t", "L"])
        self.assertLessEqual(float(answer_of(out, "STABILITY_3D_TERMS").split("ac=")[1].split()[0]), 0.2)


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
