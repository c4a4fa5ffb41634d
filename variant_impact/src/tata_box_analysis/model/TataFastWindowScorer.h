// Fast scorer of the scan's 26-letter windows, bit for bit equal to tataAffinity and
// tataAffinityDeviation.
//
// Why it is faster: the brute force scores 79 windows (the window and its 78 substitutions) of
// 7 inner 20-letter windows each, although a substitution changes only the inner windows that
// hold it, and consecutive scan windows share 6 of their 7 inner windows. Here every inner
// window of the sequence is scored once as it stands and once per substitution of each of its
// 20 letters (61 scorings, kept in a small ring of slots), and a window's 79 affinities are
// assembled from those. Step sums come from tables indexed by the bit mask of the steps present;
// each table entry is summed in the same order as the brute force, so every rounding matches.
//
// Windows holding N go to the brute force, which also writes its diagnostic lines for them.
#pragma once

#include <cstdint>

namespace Nx {

class TataFastWindowScorer {
public:
    // Scores the window of 26 accepted letters (A, C, G, T, N) that starts at accepted letter
    // `start`. Consecutive windows of one scan share their inner windows' scorings; any other
    // order is still correct, only slower.
    void score(const char* window, int start, double& affinity, double& deviation);

private:
    // Scores of one inner window that the affinity combines.
    struct Inner {
        double pF;    // matrix score, forward strand
        double pR;    // matrix score, reverse strand
        double flank; // mean flank score of both strands
        double xF;    // dinucleotide score, forward strand
        double xR;    // dinucleotide score, reverse strand
    };
    // All scorings of the inner window that starts at accepted letter `start`.
    struct Slot {
        int start = -1;        // accepted letter the inner window starts at; -1 for an empty slot
        uint8_t codes[20];     // its letters (a slot is reused only for the very same letters)
        Inner base;            // the letters as they stand
        Inner variant[20][3];  // letter k replaced by its x-th substitute
    };
    static constexpr int kSlots = 8; // ring of inner windows; a window needs 7 at a time

    const Slot& slotFor(int start, const uint8_t* codes);
    double affinityOf(int position, int substitute) const;

    Slot m_slots[kSlots];
    const Slot* m_current[7] = {}; // slots of the inner windows of the window being scored
};

} // namespace Nx
