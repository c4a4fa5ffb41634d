#include <tata_box_analysis/model/TataFastWindowScorer.h>

#include <tata_box_analysis/model/TataAffinityModel.h>
#include <tata_box_analysis/model/TataModelTables.h>

#include <cmath>
#include <cstring>

namespace Nx {

using namespace TataTables;

namespace {

// Letter codes: A 0, C 1, G 2, T 3; the complement of c is 3 - c.
enum : uint8_t { kA = 0, kC = 1, kG = 2, kT = 3 };

// Substitutes of each letter in the order the deviation tries them: A -> T G C, C -> A T G,
// G -> A T C, T -> A G C.
constexpr uint8_t kSubstitutes[4][3] = {{kT, kG, kC}, {kA, kT, kG}, {kA, kT, kC}, {kA, kG, kC}};

struct Tables {
    double matrix[4][14];   // matrix entry / 100 by letter code and column
    double wr[1 << 14];     // wrStepSum of the steps present in the mask, summed in step order
    double tv[1 << 14];     // tvStepSum likewise
    double ta[1 << 14];     // taStepSum likewise
    double dinucleotide[256]; // dinucleotideMean of four letters (codes packed 2 bits each)
};

Tables buildTables() {
    Tables t;
    for (int row = 0; row < 4; ++row) {
        for (int c = 0; c < 14; ++c) {
            t.matrix[row][c] = kMatrix[row][c] / 100.0;
        }
    }
    for (int mask = 0; mask < (1 << 14); ++mask) {
        double wr = 0.0, tv = 0.0, ta = 0.0;
        for (int i = 0; i < 14; ++i) {
            if (mask >> i & 1) {
                wr += kWrWeight[i];
                tv += kTvWeight[i];
                ta += kTaWeight[i];
            }
        }
        t.wr[mask] = wr;
        t.tv[mask] = tv;
        t.ta[mask] = ta;
    }
    constexpr int dinucleotideIndex[4] = {0, 3, 2, 1}; // code -> table order A, T, G, C
    for (int packed = 0; packed < 256; ++packed) {
        const int l[4] = {packed >> 6 & 3, packed >> 4 & 3, packed >> 2 & 3, packed & 3};
        double sum = 0.0;
        for (int k = 0; k < 3; ++k) {
            sum += kDinucleotide[dinucleotideIndex[l[k]]][dinucleotideIndex[l[k + 1]]];
        }
        t.dinucleotide[packed] = sum / 3;
    }
    return t;
}

const Tables& tables() {
    static const Tables t = buildTables();
    return t;
}

// Step conditions of the three step sums, on letter codes.
inline bool wrStep(uint8_t a, uint8_t b) { return (a == kA || a == kT) && (b == kA || b == kG); }
inline bool tvStep(uint8_t a, uint8_t b) { return a == kT && b != kT; }
inline bool taStep(uint8_t a, uint8_t b) { return a == kT && b == kA; }

// One strand of an inner window (20 letter codes, 5' to 3'), with what its substitutions reuse.
struct Strand {
    uint8_t x[20];      // letter codes
    double prefix[14];  // matrix score over columns 0 .. c-1 (letters 6 .. 5+c), summed in order
    uint32_t wr;        // W-R steps present (step j joins letters 4+j and 5+j)
    uint32_t tv;        // T-V steps present (same letters)
    uint32_t ta;        // TA steps present (step j joins letters 1+j and 2+j)
    double p;           // tataMatrixScore at offset 6
    double v;           // wrTvScore at offset 4
    double d;           // dinucleotideTaScore at offset 1
};

inline double flankOf(const Tables& t, uint32_t wr, uint32_t tv) {
    return kWrTvWr * t.wr[wr] + kWrTvConst + kWrTvTv * t.tv[tv];
}

inline double dinucleotideOf(const Tables& t, uint8_t l6, uint8_t l7, uint8_t l8, uint8_t l9, uint32_t ta) {
    const double mean = t.dinucleotide[l6 << 6 | l7 << 4 | l8 << 2 | l9];
    return kDinTaMean * mean - kDinTaConst - kDinTaTa * t.ta[ta];
}

void scoreStrand(const Tables& t, Strand& s) {
    const uint8_t* x = s.x;
    double p = 0.0;
    for (int c = 0; c < 14; ++c) {
        s.prefix[c] = p;
        p += t.matrix[x[6 + c]][c];
    }
    s.p = p;
    s.wr = s.tv = s.ta = 0;
    for (int j = 0; j < 14; ++j) {
        s.wr |= uint32_t(wrStep(x[4 + j], x[5 + j])) << j;
        s.tv |= uint32_t(tvStep(x[4 + j], x[5 + j])) << j;
        s.ta |= uint32_t(taStep(x[1 + j], x[2 + j])) << j;
    }
    s.v = flankOf(t, s.wr, s.tv);
    s.d = dinucleotideOf(t, x[6], x[7], x[8], x[9], s.ta);
}

// Sets step bit j of mask from letters (a, b), for the steps 0..13 that exist.
template <bool (*Step)(uint8_t, uint8_t)>
inline void setStep(uint32_t& mask, int j, uint8_t a, uint8_t b) {
    if (j < 0 || j > 13) {
        return;
    }
    mask = (mask & ~(1u << j)) | (uint32_t(Step(a, b)) << j);
}

// The three scores of strand s with letter q replaced by y. A score whose letters do not include
// q is taken over; the others are recomputed from the point the letter enters them, so every
// sum still adds its terms in the brute force's order.
inline void scoreVariant(const Tables& t, const Strand& s, int q, uint8_t y, double& p, double& v, double& d) {
    auto at = [&](int i) { return i == q ? y : s.x[i]; };
    p = s.p;
    if (q >= 6) {
        const int c0 = q - 6;
        double sum = s.prefix[c0] + t.matrix[y][c0];
        for (int c = c0 + 1; c < 14; ++c) {
            sum += t.matrix[s.x[6 + c]][c];
        }
        p = sum;
    }
    v = s.v;
    if (q >= 4 && q <= 18) {
        uint32_t wr = s.wr, tv = s.tv;
        for (int j = q - 5; j <= q - 4; ++j) {
            setStep<wrStep>(wr, j, at(4 + j), at(5 + j));
            setStep<tvStep>(tv, j, at(4 + j), at(5 + j));
        }
        v = flankOf(t, wr, tv);
    }
    d = s.d;
    if (q >= 1 && q <= 15) {
        uint32_t ta = s.ta;
        for (int j = q - 2; j <= q - 1; ++j) {
            setStep<taStep>(ta, j, at(1 + j), at(2 + j));
        }
        d = dinucleotideOf(t, at(6), at(7), at(8), at(9), ta);
    }
}

// Code of an upper-case base; kNotBase for anything else.
constexpr uint8_t kNotBase = 0xFF;
uint8_t letterCode(char c) {
    switch (c) {
    case 'A': return kA;
    case 'C': return kC;
    case 'G': return kG;
    case 'T': return kT;
    default: return kNotBase;
    }
}

} // namespace

const TataFastWindowScorer::Slot& TataFastWindowScorer::slotFor(int start, const uint8_t* codes) {
    Slot& slot = m_slots[start % kSlots];
    if (slot.start == start && std::memcmp(slot.codes, codes, 20) == 0) {
        return slot;
    }
    const Tables& t = tables();
    Strand forward;
    Strand reverse;
    for (int k = 0; k < 20; ++k) {
        forward.x[k] = codes[k];
        reverse.x[19 - k] = uint8_t(3 - codes[k]);
    }
    scoreStrand(t, forward);
    scoreStrand(t, reverse);

    slot.start = start;
    std::memcpy(slot.codes, codes, 20);
    slot.base = Inner{forward.p, reverse.p, (forward.v + reverse.v) / 2, forward.d, reverse.d};
    for (int k = 0; k < 20; ++k) {
        for (int x = 0; x < 3; ++x) {
            const uint8_t y = kSubstitutes[codes[k]][x];
            double pF, vF, dF, pR, vR, dR;
            scoreVariant(t, forward, k, y, pF, vF, dF);
            scoreVariant(t, reverse, 19 - k, uint8_t(3 - y), pR, vR, dR);
            slot.variant[k][x] = Inner{pF, pR, (vF + vR) / 2, dF, dR};
        }
    }
    return slot;
}

// Affinity of the current window with the letter at `position` replaced by its `substitute`-th
// substitute, or as it stands when position is -1. Same order of operations as tataAffinity.
inline double TataFastWindowScorer::affinityOf(int position, int substitute) const {
    int windows = 0;
    double sumF = 0.0;
    double sumR = 0.0;
    double best = -10000.0;
    double flank = -10000.0;
    bool forward = true;
    for (int i = 0; i < 7; ++i) {
        const int k = position - i;
        const Inner& in = (position >= 0 && k >= 0 && k < 20) ? m_current[i]->variant[k][substitute]
                                                             : m_current[i]->base;
        ++windows;
        sumF += in.xF;
        sumR += in.xR;
        // Selections only (no arithmetic), written so the compiler can avoid branches.
        const bool f = in.pF > best;
        best = f ? in.pF : best;
        forward = f ? true : forward;
        flank = f ? in.flank : flank;
        const bool r = in.pR > best;
        best = r ? in.pR : best;
        forward = r ? false : forward;
        flank = r ? in.flank : flank;
    }
    const double mean = forward ? sumF / windows : sumR / windows;
    return kAffMean * mean + kAffConst + kAffBest * best + kAffFlank * flank;
}

void TataFastWindowScorer::score(const char* window, int start, double& affinity, double& deviation) {
    uint8_t codes[26];
    for (int k = 0; k < 26; ++k) {
        codes[k] = letterCode(window[k]);
        if (codes[k] == kNotBase) {
            // Unknown letters (N) can make windows fail and print diagnostics: the brute force
            // knows how. So does it for anything else a caller may hand over.
            affinity = tataAffinity(window);
            deviation = tataAffinityDeviation(window);
            return;
        }
    }
    for (int i = 0; i < 7; ++i) {
        m_current[i] = &slotFor(start + i, codes + i);
    }

    // A window of the four bases never fails: every score stays far above its failure bound.
    const double base = affinityOf(-1, 0);
    affinity = base;
    double sum = 0.0;
    for (int p = 0; p < 26; ++p) {
        for (int x = 0; x < 3; ++x) {
            const double v = affinityOf(p, x);
            sum += (base - v) * (base - v);
        }
    }
    deviation = std::sqrt(sum / kDeviationDivisor) * kDeviationScale;
}

} // namespace Nx
