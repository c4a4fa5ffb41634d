// Constant tables of the TATA-box affinity model, shared by the per-window scores and the fast
// scanner so that both read the very same numbers.
#pragma once

namespace Nx {
namespace TataTables {

// Dinucleotide step values; row = first letter, column = second letter, both in the order A, T, G, C.
inline constexpr double kDinucleotide[4][4] = {
    {5.3, 5.31, 5.19, 6.04},
    {6.4, 5.3, 4.79, 4.71},
    {4.71, 6.04, 4.62, 4.74},
    {4.79, 5.19, 5.16, 4.62},
};

// Weight of a TA step at step position i = 0..13 (taStepSum).
inline constexpr double kTaWeight[14] = {0.1,   0.106, 0.128, 0.18,  0.276, 0.414, 0.594,
                                         0.794, 0.942, 0.964, 0.808, 0.48,  0.19,  0.1};
// Weight of a W-R step (A/T followed by A/G) at step position i (wrStepSum).
inline constexpr double kWrWeight[14] = {0.796, 0.386, 0.14,  0.14,  0.254, 0.398, 0.538,
                                         0.67,  0.774, 0.854, 0.92,  0.966, 0.992, 1.0};
// Weight of a T-V step (T followed by A/C/G) at step position i (tvStepSum).
inline constexpr double kTvWeight[14] = {0.124, 0.234, 0.418, 0.634, 0.838, 0.958, 0.994,
                                         0.97,  0.882, 0.708, 0.486, 0.28,  0.142, 0.1};

// Position weight matrix of the TATA box in hundredths; row = letter in the order A, C, G, T,
// column = position 0..14 counted from window offset 6. On a 20-letter window column 14 falls on
// the terminator and never contributes.
inline constexpr int kMatrix[4][15] = {
    {-102, -305, 0, -461, 0, 0, 0, 0, -1, -94, -54, -48, -48, -74, -62},
    {-28, -206, -522, -349, -517, -463, -412, -374, -113, -5, 0, -5, -11, -28, -40},
    {0, -274, -438, -461, -377, -473, -265, -150, 0, 0, -9, 0, 0, 0, 0},
    {-168, 0, -228, 0, -234, -52, -365, -37, -140, -97, -140, -82, -66, -54, -61},
};

// Coefficients of the linear combinations (kept as written so both paths round identically).
inline constexpr double kWrTvWr = 0.868652, kWrTvConst = 14.5329, kWrTvTv = 2.531143;
inline constexpr double kDinTaMean = 10.21, kDinTaConst = 35.13, kDinTaTa = 0.75;
inline constexpr double kAffMean = 0.231397, kAffConst = 10.902344, kAffBest = 0.1535,
                        kAffFlank = 0.2007953333333;
inline constexpr double kDeviationDivisor = 6006.0; // 78 substitutions x 77
inline constexpr double kDeviationScale = 1.6652;

} // namespace TataTables
} // namespace Nx
