// Brute-force TATA-box affinity of one window, scored letter by letter as the model defines it.
// This is the reference: the fast scanner must reproduce its every bit, and it still scores
// the windows the fast scanner does not handle (those holding N).
//
// A 26-letter window is scored through its inner 20-letter windows w (starts 0..6). For each,
// on the forward strand w and on its reverse complement r:
//   1. matrix score of offsets 6..19 (columns 0..13 of the matrix),
//   2. flank score of the W-R and T-V steps at offsets 4..18,
//   3. dinucleotide score of offsets 6..9 and TA steps at offsets 1..15.
// The best matrix score over all inner windows and strands picks the strand; the affinity
// combines that score, its window's flank and the strand's mean dinucleotide score.
#include <tata_box_analysis/model/TataAffinityModel.h>

#include <tata_box_analysis/model/TataModelTables.h>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace Nx {

using namespace TataTables;

namespace {

// Row of the dinucleotide table (order A, T, G, C); -1 for any other byte.
int dinucleotideIndex(char c) {
    switch (c) {
    case 'A': return 0;
    case 'T': return 1;
    case 'G': return 2;
    case 'C': return 3;
    default: return -1;
    }
}

// Row of the matrix (order A, C, G, T); -1 for any other byte, which then contributes nothing.
int matrixRow(char c) {
    switch (c) {
    case 'A': return 0;
    case 'C': return 1;
    case 'G': return 2;
    case 'T': return 3;
    default: return -1;
    }
}

// Complement of one letter of an inner window for the reverse strand. A letter that is not a
// base (N in practice) stays N: complementing it to a real base would score a base that is not
// there, and only an invalid letter lets the reverse strand's dinucleotide score fail for it.
char reverseStrandLetter(char c, int k) {
    switch (c) {
    case 'A': case 'a': return 'T';
    case 'C': case 'c': return 'G';
    case 'G': case 'g': return 'C';
    case 'T': case 't': case 'U': case 'u': return 'A';
    default:
        std::printf("\n j=%d ", k);
        return 'N';
    }
}

} // namespace

double tataMatrixScore(const char* d) {
    const int length = int(std::strlen(d - 1));
    if (length < 15) {
        return -100.0 - length;
    }
    double sum = 0.0;
    for (int c = 0; c < 15; ++c) {
        const int row = matrixRow(d[c]);
        if (row < 0) {
            continue;
        }
        sum += kMatrix[row][c] / 100.0;
    }
    return sum;
}

double wrStepSum(const char* s) {
    if (std::strlen(s) < 15) {
        return -201.0;
    }
    double sum = 0.0;
    for (int i = 0; i < 14; ++i) {
        const bool weak = s[i] == 'A' || s[i] == 'T';
        const bool purine = s[i + 1] == 'A' || s[i + 1] == 'G';
        if (weak && purine) {
            sum += kWrWeight[i];
        }
    }
    return sum;
}

double tvStepSum(const char* s) {
    if (std::strlen(s) < 15) {
        return -202.0;
    }
    double sum = 0.0;
    for (int i = 0; i < 14; ++i) {
        const bool notT = s[i + 1] == 'A' || s[i + 1] == 'C' || s[i + 1] == 'G';
        if (s[i] == 'T' && notT) {
            sum += kTvWeight[i];
        }
    }
    return sum;
}

double wrTvScore(const char* s) {
    if (std::strlen(s) < 15) {
        return -2001.0;
    }
    const double a = wrStepSum(s);
    if (a < -999) {
        return a;
    }
    const double b = tvStepSum(s);
    if (b < -999) {
        return b;
    }
    return kWrTvWr * a + kWrTvConst + kWrTvTv * b;
}

double taStepSum(const char* s) {
    if (std::strlen(s) < 15) {
        return -101.0;
    }
    double sum = 0.0;
    for (int i = 0; i < 14; ++i) {
        if (s[i] == 'T' && s[i + 1] == 'A') {
            sum += kTaWeight[i];
        }
    }
    return sum;
}

double dinucleotideMean(const char* s) {
    if (std::strlen(s) < 5) {
        return -1001.0;
    }
    double sum = 0.0;
    for (int k = 0; k < 3; ++k) {
        const int first = dinucleotideIndex(s[k]);
        if (first < 0) {
            return -1002.0;
        }
        const int second = dinucleotideIndex(s[k + 1]);
        if (second < 0) {
            return -1003.0;
        }
        sum += kDinucleotide[first][second];
    }
    return sum / 3;
}

double dinucleotideTaScore(const char* s) {
    if (std::strlen(s) < 15) {
        return -102.0;
    }
    const double a = dinucleotideMean(s + 5);
    if (a < -99) {
        return a;
    }
    const double b = taStepSum(s);
    if (b < -99) {
        return b;
    }
    return kDinTaMean * a - kDinTaConst - kDinTaTa * b;
}

double tataAffinity(const char* s) {
    int length = int(std::strlen(s));
    if (length > 26) {
        length = 26;
    }
    if (length < 21) {
        return -103.0;
    }

    int windows = 0;         // inner windows scored so far
    double sumF = 0.0;       // dinucleotide scores of the forward strand, summed over windows
    double sumR = 0.0;       // the same on the reverse strand
    double best = -10000.0;  // best matrix score of any window and strand
    double flank = -10000.0; // mean flank score of both strands of the best window
    bool forward = true;     // strand of the best matrix score

    for (int i = 0; i + 20 <= length; ++i) {
        char w[21];
        char r[21];
        std::memcpy(w, s + i, 20);
        w[20] = '\0';
        for (int k = 0; k < 20; ++k) {
            r[19 - k] = reverseStrandLetter(w[k], k);
        }
        r[20] = '\0';

        const double pF = tataMatrixScore(w + 6);
        if (pF < -99) {
            return -91.0;
        }
        const double pR = tataMatrixScore(r + 6);
        if (pR < -99) {
            return pR / 10;
        }
        const double vF = wrTvScore(w + 4);
        if (vF < -99) {
            return -93.0;
        }
        const double vR = wrTvScore(r + 4);
        if (vR < -99) {
            return -94.0;
        }
        const double xF = dinucleotideTaScore(w + 1);
        if (xF < -99) {
            return -95.0;
        }
        const double xR = dinucleotideTaScore(r + 1);
        if (xR < -99) {
            return -96.0;
        }

        ++windows;
        sumF += xF;
        sumR += xR;
        // Only a strictly greater score replaces the best: earlier windows and the forward
        // strand win ties.
        if (pF > best) {
            best = pF;
            forward = true;
            flank = (vF + vR) / 2;
        }
        if (pR > best) {
            best = pR;
            forward = false;
            flank = (vF + vR) / 2;
        }
    }

    const double mean = forward ? sumF / windows : sumR / windows;
    return kAffMean * mean + kAffConst + kAffBest * best + kAffFlank * flank;
}

double tataAffinityDeviation(const char* s) {
    if (std::strlen(s) < 26) {
        // Substituting letters beyond the end would read past the string.
        return -103.0;
    }
    const double base = tataAffinity(s);
    if (base < -50) {
        return base;
    }

    char copy[27];
    std::memcpy(copy, s, 26);
    copy[26] = '\0';

    double sum = 0.0;
    for (int p = 0; p < 26; ++p) {
        const char original = copy[p];
        const char* substitutes = nullptr;
        switch (original) {
        case 'A': case 'a': substitutes = "TGC"; break;
        case 'C': case 'c': substitutes = "ATG"; break;
        case 'G': case 'g': substitutes = "ATC"; break;
        case 'T': case 't': case 'U': case 'u': substitutes = "AGC"; break;
        default: break;
        }

        if (substitutes) {
            for (int x = 0; x < 3; ++x) {
                copy[p] = substitutes[x];
                const double v = tataAffinity(copy);
                if (v < -50) {
                    return v;
                }
                sum += (base - v) * (base - v);
            }
        } else {
            // An unknown letter (N) stands for any of the four bases with equal chance. Whichever
            // it is, the other three are its substitutes, so each base is a substitute in three
            // of the four cases: the expected sum over three substitutes is 3/4 of the sum over
            // all four. The position thus still counts as three substitutions, as the divisor
            // (78 x 77) expects.
            double unknown = 0.0;
            for (int x = 0; x < 4; ++x) {
                copy[p] = "ACGT"[x];
                const double v = tataAffinity(copy);
                if (v < -50) {
                    return v;
                }
                unknown += (base - v) * (base - v);
            }
            sum += 0.75 * unknown;
        }
        copy[p] = original;
    }
    return std::sqrt(sum / kDeviationDivisor) * kDeviationScale;
}

} // namespace Nx
