// Per-window scores of the TATA-box affinity model. Every function works on NUL-terminated byte
// strings over the letters A, C, G, T, N (what the scan hands over) and reports failure through
// a sentinel in its ordinary result; callers compare against a bound, not a specific code.
// The window offsets below are offsets inside a 20-letter inner window.
#pragma once

namespace Nx {

// Affinity of a window of at least 21 letters (only the first 26 count); the best of its inner
// 20-letter windows on both strands. Writes "\n j=%d " to standard output for every letter of an
// inner window that is not A, C, G, T or U. Failure: -103 (too short), -91, pR/10, -93 .. -96.
double tataAffinity(const char* s);

// Spread of tataAffinity(s) under the 78 single-letter substitutions of the first 26 letters.
// Failure: the first affinity below -50 (that value); -103 when s has fewer than 26 letters.
double tataAffinityDeviation(const char* s);

// Matrix score of an inner window at offset 6 (d[-1] must be readable). Failure: -100 - length
// counted from d - 1 when that length is below 15.
double tataMatrixScore(const char* d);

// Flank score at inner-window offset 4 from W-R and T-V steps. Failure: -2001 (too short).
double wrTvScore(const char* s);
// Sum of W-R step weights over steps 0..13. Failure: -201 (fewer than 15 letters).
double wrStepSum(const char* s);
// Sum of T-V step weights over steps 0..13. Failure: -202 (fewer than 15 letters).
double tvStepSum(const char* s);

// Dinucleotide and TA-step score at inner-window offset 1. Failure: -102 (too short), or the
// failure of dinucleotideMean / taStepSum unchanged.
double dinucleotideTaScore(const char* s);
// Sum of TA step weights over steps 0..13. Failure: -101 (fewer than 15 letters).
double taStepSum(const char* s);
// Mean dinucleotide value of the three steps of s[0..3]. Failure: -1001 (fewer than 5 letters),
// -1002 / -1003 when the first / second letter of a step is not an upper-case A, C, G or T.
double dinucleotideMean(const char* s);

} // namespace Nx
