import os
import unittest

from helpers import SCRIPTS_DIR, ScriptTestCase, answer_of, call_main, run_script

import snp2pdbsite

PDB_DIR = os.path.join(SCRIPTS_DIR, "data", "pdb")


def atom(serial, name, resname, chain, resseq, x, y, z, element, het=False):
    rec = "HETATM" if het else "ATOM  "
    return "%s%5d %-4s %3s %s%4d    %8.3f%8.3f%8.3f  1.00 10.00          %2s\n" % (
        rec, serial, name, resname, chain, resseq, x, y, z, element)


class HaemSiteTest(ScriptTestCase):
    """Chain A of 4HHB: His 58 (distal) and His 87 (proximal) line the haem pocket, site AC3."""

    def ask(self, change, accession="P69905", extra=()):
        code, out, err = call_main(snp2pdbsite, ["-c", "A", "-m", change, "-p", accession] + list(extra))
        self.assertEqual(code, 0, err)
        return answer_of(out, "PDB_SITE")

    def test_his58_of_chain_a_is_in_the_haem_site(self):
        # Protein position 59 of P69905 (with Met 1) is His 58 of the structure.
        answer = self.ask('"A 59       H -> R"')
        self.assertTrue(answer.startswith("4HHB A HIS58: "), answer)
        self.assertIn("site AC3 (BINDING SITE FOR RESIDUE HEM A 142)", answer)
        self.assertIn("ligand HEM A142 at ", answer)
        self.assertNotIn("AC5", answer)  # the same site of chain C is not this residue's

    def test_proximal_histidine_binds_the_iron(self):
        answer = self.ask('"A 88       H -> Y"')
        # Fe-NE2 of His F8 is a coordination bond, about 2.1 A.
        distance = float(answer.split("ligand HEM A142 at ")[1].split()[0])
        self.assertLess(distance, 2.5)

    def test_wild_type_mismatch_is_reported_with_the_sites(self):
        answer = self.ask('"A 59       R -> W"')
        self.assertIn("(structure has HIS, change expects R)", answer)
        self.assertIn("site AC3", answer)

    def test_requests_the_data_cannot_answer(self):
        self.assertEqual(self.ask('"A 2       V -> M"'), "4HHB A VAL1: no site")
        self.assertEqual(self.ask('"A 300       R -> W"'), "no residue A 299 in 4HHB")
        self.assertEqual(self.ask('"A 5       R -> W"', accession="Q00000"), "no structure for Q00000")

    def test_pdb_id_without_map_row_uses_the_file_numbering(self):
        answer = self.ask("A 58 HIS -> ARG", accession="4hhb")
        self.assertTrue(answer.startswith("4HHB A HIS58: site AC3"), answer)


class ContactCutoffTest(ScriptTestCase):
    def test_ligand_contact_is_at_most_four_angstrom(self):
        # Water at 1 A is no ligand; the zinc at exactly 4.00 A is one.
        pdb = (atom(1, "CA", "GLY", "A", 1, 0, 0, 0, "C") + atom(2, "CA", "GLY", "A", 2, 10, 0, 0, "C")
               + atom(3, "ZN", "ZN", "A", 101, 4.0, 0, 0, "ZN", het=True)
               + atom(4, "O", "HOH", "A", 201, 1.0, 0, 0, "O", het=True)
               + atom(5, "C1", "LIG", "B", 301, 14.01, 0, 0, "C", het=True))
        self.write("s/toy.pdb", pdb)
        mapping = self.write("s/map.tsv", "TOY\tA\ttoy.pdb\tA\t0\n")
        code, out, err = call_main(snp2pdbsite, ["-c", "A", "-m", "A 1 G -> A", "-p", "toy", "--pdb-map", mapping])
        self.assertEqual(answer_of(out, "PDB_SITE"), "TOY A GLY1: ligand ZN A101 at 4.00 A")
        code, out, err = call_main(snp2pdbsite, ["-c", "A", "-m", "A 2 G -> A", "-p", "toy", "--pdb-map", mapping])
        # The zinc is 6 A away and the ligand of chain B 4.01 A: neither is a contact.
        self.assertEqual(answer_of(out, "PDB_SITE"), "TOY A GLY2: no site")


class CommandLineTest(ScriptTestCase):
    def test_the_hosts_change_text_is_accepted(self):
        # Exactly what the element sends: quotes, one blank after A, seven after the position.
        code, out, err = run_script("snp2pdbsite.py", ["-c", "A", "-m", '"A 59       H -> L"', "-p", "P69905"])
        self.assertEqual(code, 0, err)
        self.assertIn("site AC3", answer_of(out, "PDB_SITE"))

    def test_bad_command_lines_fail(self):
        for args in (["-c", "A", "-m", '"A 59 H"', "-p", "P69905"],
                     ["-c", "A", "-m", '"A x H -> L"', "-p", "P69905"],
                     ["-c", "A", "-m", '"A 59 H -> Zz"', "-p", "P69905"],
                     ["-c", "B", "-m", '"A 59 H -> L"', "-p", "P69905"],
                     ["-c", "A", "-m", '"A 59 H -> L"'],
                     ["-c", "A", "-m", '"A 59 H -> L"', "-p", ""],
                     ["-m", '"A 59 H -> L"', "-p", "P69905", "-c"]):
            code, out, err = run_script("snp2pdbsite.py", args)
            self.assertEqual(code, 2, args)
            self.assertEqual(out, "")
            self.assertIn("error", err)

    def test_bad_map_and_structure_fail(self):
        bad_offset = self.write("m1.tsv", "P1\tA\tx.pdb\tA\tminus\n")
        missing = self.write("m2.tsv", "P1\tA\tnowhere.pdb\tA\t0\n")
        empty = self.write("empty.pdb", "HEADER\n")
        no_atoms = self.write("m3.tsv", "P1\tA\t%s\tA\t0\n" % empty)
        for mapping, text in ((bad_offset, "m1.tsv:1"), (missing, "nowhere.pdb"), (no_atoms, "no ATOM")):
            code, out, err = run_script("snp2pdbsite.py", ["-c", "A", "-m", "A 1 G -> A", "-p", "P1",
                                                           "--pdb-map", mapping])
            self.assertEqual(code, 1, mapping)
            self.assertIn(text, err)


if __name__ == "__main__":
    unittest.main()
