"""Best window score of every matrix (both strands) around one position, for all matrices at once.

rsnp.py asks, per request, for the best score of each of several hundred matrices over the
windows that overlap a changed base. Scoring window by window costs Python work per matrix,
window and column. Here the work is moved into a few additions of large integers, each holding
one 16- or 32-bit lane per (matrix, strand, window) (SIMD within a register):

  1. Unit u = one matrix on one strand, with rows w_u,j (j = 0..L_u-1, bases A C G T N) and
     lane offsets o_u,j = -min_b w_u,j, so that every lane value is non-negative and lanes never
     borrow from each other. Lane (u, a) stands for the window that has the anchor base at its
     column a, i.e. starts a bases before it.
  2. For every offset r from the anchor (-R..R, R = longest matrix - 1) and base b, the integer
     G[r][b] holds in lane (u, a) the value w_u,a+r[b] + o_u,a+r when 0 <= a + r < L_u, else 0.
  3. For a sequence x and anchor k, sum over r of G[r][x_k+r] (positions inside the sequence)
     holds in lane (u, a) the window's score plus sum_j o_u,j: one addition per position.
  4. Lanes of windows that run past either end of the sequence are left out of the maximum.
A region of several changed bases is the union of the windows of each of its bases as anchor;
a maximum over a union is the maximum of the maxima. The scores are exact integers, the same as
summing the weights window by window; which window holds the best score (strand, start) is not
computed here: the caller rescans the few matrices it reports.
"""

from array import array
from operator import sub


def build(matrices):
    """The lane tables of step 2 as marshal-able data (tables as bytes), for Scanner()."""
    units = []
    for m in matrices:
        units.append(m[2])
        units.append(m[3])
    lengths = [len(rows) for rows in units]
    reach = max(lengths) - 1
    bases = []  # first lane of each unit
    lanes = 0
    for length in lengths:
        bases.append(lanes)
        lanes += length
    offsets = [[-min(r) for r in rows] for rows in units]
    span = max(sum(max(r) - min(r) for r in rows) for rows in units)
    width = 2 if span < 1 << 16 else 4
    typecode = _typecode(width)
    tables = {}
    for r in range(-reach, reach + 1):
        per_base = []
        for b in range(5):
            lane = array(typecode, bytes(width * lanes))
            for u, rows in enumerate(units):
                length, base, offs = len(rows), bases[u], offsets[u]
                for a in range(max(0, -r), min(length, length - r)):
                    lane[base + a] = rows[a + r][b] + offs[a + r]
            per_base.append(lane.tobytes())
        tables[r] = per_base
    return {"count": len(matrices), "width": width, "lengths": lengths, "bases": bases, "lanes": lanes,
            "reach": reach, "offset_sums": [sum(o) for o in offsets], "tables": tables}


def _typecode(width):
    return next(t for t in ("H", "I", "L") if array(t).itemsize == width)


class Scanner:
    """The lane tables of one list of matrices, as integers ready to add."""

    def __init__(self, data):
        self.count = data["count"]
        self.width = data["width"]
        self.typecode = _typecode(self.width)
        self.lengths = data["lengths"]
        self.bases = data["bases"]
        self.lanes = data["lanes"]
        self.reach = data["reach"]
        self.offset_sums = data["offset_sums"]
        self.tables = {r: [int.from_bytes(b, "little") for b in per_base] for r, per_base in data["tables"].items()}
        self.pair_slices = [slice(self.bases[u], self.bases[u] + 2 * self.lengths[u])
                            for u in range(0, len(self.bases), 2)]
        self.pair_offsets = self.offset_sums[0::2]

    def anchor_sum(self, codes, k):
        """The integer of step 3 for anchor k of the coded sequence (codes 0-4)."""
        total = 0
        n = len(codes)
        for r in range(max(-self.reach, -k), min(self.reach, n - 1 - k) + 1):
            total += self.tables[r][codes[k + r]]
        return total

    def maxima(self, total, n, k):
        """Best score per matrix (both strands) from an anchor sum, None where no window fits."""
        raw = array(self.typecode)
        raw.frombytes(total.to_bytes(self.lanes * self.width, "little"))
        if k >= self.reach and n - 1 - k >= self.reach:
            # Every window fits. A matrix's two strands are adjacent lanes with equal offset sums
            # (the reverse complement has the same column minima), so one slice serves both.
            lanes = raw.tolist()  # list slices are cheaper to take and to scan than array slices
            return list(map(sub, map(max, map(lanes.__getitem__, self.pair_slices)), self.pair_offsets))
        out = []
        for base, length, offset in zip(self.bases, self.lengths, self.offset_sums):
            # window start i = k - a must satisfy 0 <= i and i + length <= n
            lo, hi = max(0, k + length - n), min(length - 1, k)
            out.append(max(raw[base + lo:base + hi + 1]) - offset if lo <= hi else None)
        return list(map(_max_or_none, out[0::2], out[1::2]))

    def best_scores(self, codes, region):
        """Per matrix the best score over both strands and the windows overlapping region, or None."""
        start, end = region
        best = [None] * self.count
        for k in range(start, end):
            best = list(map(_max_or_none, best, self.maxima(self.anchor_sum(codes, k), len(codes), k)))
        return best

    def substitution_scores(self, codes1, codes2, k):
        """best_scores of two sequences that differ in the base at k alone: the second sum is the
        first with one addend swapped."""
        total = self.anchor_sum(codes1, k)
        other = total - self.tables[0][codes1[k]] + self.tables[0][codes2[k]]
        n = len(codes1)
        return self.maxima(total, n, k), self.maxima(other, n, k)


def _max_or_none(a, b):
    if a is None:
        return b
    if b is None:
        return a
    return a if a >= b else b
