import math
import os
import unittest

from helpers import SCRIPTS_DIR, ScriptTestCase

import pdbstructure as ps
import protstability3d


def record(rec, serial, name, alt, resname, chain, resseq, x, y, z, occupancy=1.0, element=""):
    """A PDB ATOM/HETATM line; name is the 4-character field of columns 13-16, as written."""
    return "%-6s%5d %4s%1s%3s %1s%4d    %8.3f%8.3f%8.3f%6.2f%6.2f          %2s\n" % (
        rec, serial, name, alt, resname, chain, resseq, x, y, z, occupancy, 10.0, element)


class ElementTest(ScriptTestCase):
    def test_elements_from_atom_names_when_the_column_is_blank(self):
        # (record, name field, residue) -> element, by the PDB's column alignment of atom names
        cases = ((("ATOM  ", " CA ", "THR"), "C"), (("ATOM  ", "HG21", "THR"), "H"), (("ATOM  ", " OG1", "THR"), "O"),
                 (("ATOM  ", "1HG2", "THR"), "H"), (("ATOM  ", "HD11", "LEU"), "H"), (("ATOM  ", " HA ", "GLY"), "H"),
                 (("HETATM", "FE  ", "HEM"), "FE"), (("HETATM", "HG  ", "HG"), "HG"), (("HETATM", "CA  ", "CA"), "CA"),
                 (("HETATM", " CA ", "HEM"), "C"), (("HETATM", "HAA1", "HEM"), "H"), (("HETATM", "ZN  ", "ZN"), "ZN"),
                 (("HETATM", " NA ", "HEM"), "N"), (("HETATM", "DW1 ", "DOD"), "D"))
        for (rec, name, res), element in cases:
            self.assertEqual(ps.element_of(rec, name, res), element, (rec, name, res))

    def test_hydrogens_without_element_column_are_no_heavy_atoms(self):
        # Thr 5 with its four-letter hydrogens HG21..HG23 and no element column: read as mercury
        # they would be heavy atoms of the burial count; as hydrogens they are left out.
        text = ""
        for k, (name, x) in enumerate(((" N  ", -1.2), (" CA ", 0.0), (" C  ", 1.5), (" CB ", 0.3))):
            text += record("ATOM", k + 1, name, " ", "THR", "A", 5, x, 0.2 * k, 0.0)
        text += record("ATOM", 5, " CA ", " ", "GLY", "A", 9, 4.0, 4.0, 0.0)
        for k in range(3):
            text += record("ATOM", 6 + k, "HG2%d" % (k + 1), " ", "THR", "A", 9, 5.0 + k, 4.0, 0.0)
        path = self.write("t.pdb", text)
        structure = ps.load(path)
        self.assertEqual([a[6] for a in structure["atoms"]], ["N", "C", "C", "C", "C", "H", "H", "H"])
        residues, points, grid = protstability3d.chain_view(structure, "A")
        self.assertEqual(sum(len(cell) for cell in grid.values()), 5)
        self.assertEqual([a[5] for a in residues[9][1]], ["CA"])


class AlternateLocationTest(ScriptTestCase):
    def test_highest_occupancy_is_kept_and_the_first_on_a_tie(self):
        text = (record("ATOM", 1, " CA ", "A", "SER", "A", 1, 1.0, 0, 0, 0.30)
                + record("ATOM", 2, " CA ", "B", "SER", "A", 1, 2.0, 0, 0, 0.70)
                + record("ATOM", 3, " OG ", "A", "SER", "A", 1, 3.0, 0, 0, 0.50)
                + record("ATOM", 4, " OG ", "B", "SER", "A", 1, 4.0, 0, 0, 0.50)
                + record("ATOM", 5, " CA ", " ", "GLY", "A", 2, 5.0, 0, 0)
                + record("ATOM", 6, " CB ", "A", "SER", "A", 1, 6.0, 0, 0, 0.20)
                + record("ATOM", 7, " CB ", "B", "SER", "A", 1, 7.0, 0, 0, 0.20)
                + record("ATOM", 8, " CB ", "C", "SER", "A", 1, 8.0, 0, 0, 0.60))
        structure = ps.load(self.write("alt.pdb", text))
        kept = [(a[5], a[7]) for a in structure["atoms"]]
        # One atom per name, in the place of the first alternate listed.
        self.assertEqual(kept, [("CA", 2.0), ("OG", 3.0), ("CA", 5.0), ("CB", 8.0)])

    def test_non_finite_coordinates_fail_with_the_line(self):
        path = self.write("nan.pdb", record("ATOM", 1, " CA ", " ", "GLY", "A", 1, 0, 0, 0)
                          + record("ATOM", 2, " CA ", " ", "GLY", "A", 2, 0, 0, 0).replace("   0.000", "     nan", 1))
        with self.assertRaises(ps.sc.DataError) as caught:
            ps.load(path)
        self.assertIn("nan.pdb:2:", str(caught.exception))
        path = self.write("inf.pdb", record("ATOM", 1, " CA ", "A", "GLY", "A", 1, 0, 0, 0, 0.5).replace("  0.50", "   inf"))
        with self.assertRaises(ps.sc.DataError) as caught:
            ps.load(path)
        self.assertIn("inf.pdb:1:", str(caught.exception))


class VirtualCBetaTest(ScriptTestCase):
    def test_placed_c_beta_matches_the_real_ones_of_4hhb(self):
        # An independent check of the ideal-geometry placement: wherever the deposited C-beta of
        # chain A has standard geometry itself (C-alpha distance 1.53 +- 0.05 A, angles to N and
        # C within 5 degrees of 110), the placed one lies within 0.5 A of it, and
        # half of them within 0.3 A. (4HHB, refined in
        # 1984, has residues whose C-beta is 2 A from the C-alpha; those say nothing.)
        def angle(a, b, c):
            u = [a[i] - b[i] for i in range(3)]
            v = [c[i] - b[i] for i in range(3)]
            return math.degrees(math.acos(sum(x * y for x, y in zip(u, v))
                                          / math.sqrt(sum(x * x for x in u) * sum(x * x for x in v))))
        structure = ps.load(os.path.join(SCRIPTS_DIR, "data", "pdb", "4hhb.pdb.gz"))
        residues = protstability3d.chain_view(structure, "A")[0]
        distances = []
        for number, (name, atoms) in residues.items():
            xyz = {a[5]: a[7:10] for a in atoms}
            if "CB" not in xyz or abs(math.dist(xyz["CB"], xyz["CA"]) - 1.53) > 0.05 \
                    or abs(angle(xyz["N"], xyz["CA"], xyz["CB"]) - 110) > 5 or abs(angle(xyz["C"], xyz["CA"], xyz["CB"]) - 110) > 5:
                continue
            distances.append(math.dist(protstability3d.virtual_cb(atoms), xyz["CB"]))
        distances.sort()
        self.assertGreater(len(distances), 10)
        self.assertLess(distances[len(distances) // 2], 0.3)
        self.assertLess(distances[-1], 0.5)


if __name__ == "__main__":
    unittest.main()
