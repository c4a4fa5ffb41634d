import random
import unittest

from helpers import ScriptTestCase

import motifscan
import rsnp
from test_rsnp import JASPAR


def window_by_window(codes, start, end, matrix):
    """Independent reference: every window overlapping [start, end), both strands, summed plainly."""
    best = None
    for rows in (matrix[2], matrix[3]):
        length = len(rows)
        for i in range(max(0, start - length + 1), min(end, len(codes) - length + 1)):
            score = sum(rows[j][codes[i + j]] for j in range(length))
            best = score if best is None or score > best else best
    return best


class LaneScanTest(ScriptTestCase):
    def check(self, matrices, sequences, regions):
        scan = motifscan.Scanner(motifscan.build(matrices))
        for seq in sequences:
            codes = rsnp.encode(seq)
            for start, end in regions:
                end = min(end, len(codes))
                got = scan.best_scores(codes, (start, end))
                self.assertEqual(got, [window_by_window(codes, start, end, m) for m in matrices], (seq, start, end))

    def test_all_shipped_matrices_at_the_centre_the_ends_and_over_several_bases(self):
        rng = random.Random(7)
        matrices = rsnp.load_matrices(JASPAR)
        sequences = ["".join(rng.choice("ACGTN" if k == 2 else "ACGT") for _ in range(81)) for k in range(3)]
        sequences.append("ACGTACGTAC")  # shorter than most matrices: those have no window
        self.check(matrices, sequences, ((40, 41), (0, 1), (80, 81), (3, 6), (39, 43)))

    def test_single_substitution_reuses_the_first_sum(self):
        rng = random.Random(8)
        matrices = rsnp.load_matrices(JASPAR)
        scan = motifscan.Scanner(motifscan.build(matrices))
        for _ in range(3):
            first = rsnp.encode("".join(rng.choice("ACGT") for _ in range(81)))
            second = list(first)
            second[40] = (first[40] + 1 + rng.randrange(3)) % 4
            pair = scan.substitution_scores(first, second, 40)
            self.assertEqual(pair, (scan.best_scores(first, (40, 41)), scan.best_scores(second, (40, 41))))
            self.assertEqual(pair[1], [window_by_window(second, 40, 41, m) for m in matrices])

    def test_wide_weights_take_32_bit_lanes(self):
        # Counts of 1e9 against 0 span about 17 bits a column: 48 columns need more than 2^16 steps.
        columns = [[1e9, 0, 0, 0], [0, 1e9, 0, 0], [0, 0, 1e9, 1], [1, 1, 1, 1e9]] * 12
        rows = rsnp.integer_weights(columns)
        matrix = ("W1", "wide", tuple(map(tuple, rows)), tuple(map(tuple, rsnp.reverse_complement(rows))), ())
        self.assertEqual(motifscan.build([matrix])["width"], 4)
        rng = random.Random(9)
        self.check([matrix], ["".join(rng.choice("ACGT") for _ in range(60)) + "ACGT" * 12], ((30, 31), (70, 72), (100, 101)))


if __name__ == "__main__":
    unittest.main()
