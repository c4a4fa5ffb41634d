#include <tata_box_analysis/model/TataFastWindowScorer.h>

#include <tata_box_analysis/model/TataAffinityModel.h>
#include <tata_box_analysis/model/TataModelTables.h>

#include <cmath>

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

// The three scores of one strand of an inner window (20 letter codes, 5' to 3').
struct Strand {
    double p; // tataMatrixScore at offset 6
    double v; // wrTvScore at offset 4
    double x; // dinucleotideTaScore at offset 1
};

inline Strand scoreStrand(const Tables& t, const uint8_t* x) {
    Strand s;
    double p = 0.0;
    for (int c = 0; c < 14; ++c) {
        p += t.matrix[x[6 + c]][c];
    }
    s.p = p;

    uint32_t fA = 0, fG = 0, fT = 0; // bit k set when letter k is A / G / T
    for (int k = 0; k < 20; ++k) {
        fA |= uint32_t(x[k] == kA) << k;
        fG |= uint32_t(x[k] == kG) << k;
        fT |= uint32_t(x[k] == kT) << k;
    }
    // Step i of a sum starting at offset o joins letters o + i and o + i + 1.
    const uint32_t wr = ((fA | fT) >> 4) & ((fA | fG) >> 5) & 0x3FFF;
    const uint32_t tv = (fT >> 4) & (~fT >> 5) & 0x3FFF;
    const uint32_t ta = (fT >> 1) & (fA >> 2) & 0x3FFF;
    s.v = kWrTvWr * t.wr[wr] + kWrTvConst + kWrTvTv * t.tv[tv];
    const double mean = t.dinucleotide[x[6] << 6 | x[7] << 4 | x[8] << 2 | x[9]];
    s.x = kDinTaMean * mean - kDinTaConst - kDinTaTa * t.ta[ta];
    return s;
}

uint8_t letterCode(char c) {
    switch (c) {
    case 'A': return kA;
    case 'C': return kC;
    case 'G': return kG;
    default: return kT;
    }
}

} // namespace

TataFastWindowScorer::Inner TataFastWindowScorer::scoreInner(const uint8_t* codes) {
    const Tables& t = tables();
    uint8_t reverse[20];
    for (int k = 0; k < 20; ++k) {
        reverse[19 - k] = uint8_t(3 - codes[k]);
    }
    const Strand f = scoreStrand(t, codes);
    const Strand r = scoreStrand(t, reverse);
    return Inner{f.p, r.p, (f.v + r.v) / 2, f.x, r.x};
}

const TataFastWindowScorer::Slot& TataFastWindowScorer::slotFor(int start, const uint8_t* codes) {
    Slot& slot = m_slots[start % kSlots];
    if (slot.start == start) {
        return slot;
    }
    slot.start = start;
    slot.base = scoreInner(codes);
    uint8_t changed[20];
    for (int k = 0; k < 20; ++k) {
        changed[k] = codes[k];
    }
    for (int k = 0; k < 20; ++k) {
        for (int x = 0; x < 3; ++x) {
            changed[k] = kSubstitutes[codes[k]][x];
            slot.variant[k][x] = scoreInner(changed);
        }
        changed[k] = codes[k];
    }
    return slot;
}

// Affinity of the current window with the letter at `position` replaced by its `substitute`-th
// substitute, or as it stands when position is -1. Same order of operations as tataAffinity.
double TataFastWindowScorer::affinityOf(int position, int substitute) const {
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
        if (in.pF > best) {
            best = in.pF;
            forward = true;
            flank = in.flank;
        }
        if (in.pR > best) {
            best = in.pR;
            forward = false;
            flank = in.flank;
        }
    }
    const double mean = forward ? sumF / windows : sumR / windows;
    return kAffMean * mean + kAffConst + kAffBest * best + kAffFlank * flank;
}

void TataFastWindowScorer::score(const char* window, int start, double& affinity, double& deviation) {
    uint8_t codes[26];
    for (int k = 0; k < 26; ++k) {
        if (window[k] == 'N') {
            // Unknown letters can make windows fail and print diagnostics: the brute force
            // knows how.
            affinity = tataAffinity(window);
            deviation = tataAffinityDeviation(window);
            return;
        }
        codes[k] = letterCode(window[k]);
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
