// Search of one DNA sequence for its best TATA box: a 26-letter window slides along the accepted
// letters, every full window gets an affinity and a deviation, and the window with the highest
// affinity wins. bestTataSite/scanTataSites use the fast scorer; the *Reference variants score
// every window by brute force and are what the fast path is checked against.
#pragma once

#include <tata_box_analysis/model/TataSiteScore.h>

namespace Nx {

// Letter the scan makes of one input byte: A, C, G, T (U counts as T) or N (K M N R S W X Y),
// either case; 0 for a byte that is skipped (B D H V, other letters, digits, blanks, ...).
char tataScanLetter(char byte);

// Best site of a NUL-terminated sequence; (-1, -1) when it has no site.
TataSiteScore bestTataSite(const char* sequence);
TataSiteScore bestTataSiteReference(const char* sequence);

// Fills affinities[j] and deviations[j] for the window centred on accepted letter j (its 14th
// letter); positions without a full window get -999. Both arrays need one element per byte of
// the sequence. Returns 1 and sets count to the number of accepted letters; otherwise -1 (a null
// argument), -99 (fewer than 26 bytes) or -9999 (fewer than 26 accepted letters), and count is
// left alone.
int scanTataSites(const char* sequence, float* affinities, float* deviations, int& count);
int scanTataSitesReference(const char* sequence, float* affinities, float* deviations, int& count);

// Index of the first maximum of values[0..n-1], or -1 when nothing beats -2^31.
int findMaxIndex(const float* values, int n);

} // namespace Nx
