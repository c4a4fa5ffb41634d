// The scan of a sequence and the choice of its best site, shared by the brute-force and the fast
// scorer so that both see exactly the same windows at the same positions.
#include <tata_box_analysis/model/TataSiteScan.h>

#include <tata_box_analysis/model/TataAffinityModel.h>
#include <tata_box_analysis/model/TataFastWindowScorer.h>

#include <cstring>
#include <vector>

namespace Nx {

namespace {

constexpr int kWindow = 26;     // letters of a scored window
constexpr int kCentre = 13;     // offset of the letter a window is assigned to
constexpr float kNoValue = -999.0f;

// Scores every window by brute force.
struct ReferenceScorer {
    void score(const char* window, int /*start*/, double& affinity, double& deviation) {
        affinity = tataAffinity(window);
        deviation = tataAffinityDeviation(window);
    }
};

template <class Scorer>
int scanWith(Scorer& scorer, const char* sequence, float* affinities, float* deviations, int& count) {
    if (!sequence || !affinities || !deviations) {
        return -1;
    }
    if (std::strlen(sequence) < size_t(kWindow)) {
        return -99;
    }

    char window[kWindow + 1] = {}; // the last accepted letters, NUL-terminated
    int filled = 0;                // letters in window
    int a = 0;                     // accepted letters so far
    for (const char* p = sequence; *p; ++p) {
        const char letter = tataScanLetter(*p);
        if (!letter) {
            continue;
        }
        ++a;
        if (filled == kWindow) {
            std::memmove(window, window + 1, kWindow - 1);
            window[kWindow - 1] = letter;
        } else {
            window[filled++] = letter;
        }
        if (a < kCentre) {
            continue;
        }
        if (filled == kWindow) {
            double affinity = 0.0;
            double deviation = 0.0;
            scorer.score(window, a - kWindow, affinity, deviation);
            affinities[a - kCentre] = float(affinity);
            deviations[a - kCentre] = float(deviation);
        } else {
            affinities[a - kCentre] = kNoValue;
            deviations[a - kCentre] = kNoValue;
        }
    }
    for (int j = a - (kCentre - 1); j < a; ++j) {
        if (j >= 0) {
            affinities[j] = kNoValue;
            deviations[j] = kNoValue;
        }
    }
    if (a < kWindow) {
        return -9999;
    }
    count = a;
    return 1;
}

template <class Scorer>
TataSiteScore bestWith(Scorer& scorer, const char* sequence) {
    if (!sequence) {
        return TataSiteScore();
    }
    const size_t n = std::strlen(sequence);
    std::vector<float> affinities(n + 1, kNoValue); // +1: never a null pointer for n = 0
    std::vector<float> deviations(n + 1, kNoValue);
    int count = -1;
    const int status = scanWith(scorer, sequence, affinities.data(), deviations.data(), count);
    if (count == -1 || status != 1) {
        return TataSiteScore();
    }
    const int idx = findMaxIndex(affinities.data(), count);
    if (idx == -1) {
        return TataSiteScore();
    }
    TataSiteScore result;
    result.affinity = affinities[idx];
    result.deviation = deviations[idx];
    return result;
}

} // namespace

char tataScanLetter(char byte) {
    switch (byte) {
    case 'A': case 'a': return 'A';
    case 'C': case 'c': return 'C';
    case 'G': case 'g': return 'G';
    case 'T': case 't': case 'U': case 'u': return 'T';
    case 'K': case 'k': case 'M': case 'm': case 'N': case 'n': case 'R': case 'r':
    case 'S': case 's': case 'W': case 'w': case 'X': case 'x': case 'Y': case 'y':
        return 'N';
    default:
        return 0;
    }
}

int findMaxIndex(const float* values, int n) {
    if (!values) {
        return -1;
    }
    float best = -2147483648.0f;
    int index = -1;
    for (int i = 0; i < n; ++i) {
        if (values[i] > best) {
            best = values[i];
            index = i;
        }
    }
    return index;
}

int scanTataSites(const char* sequence, float* affinities, float* deviations, int& count) {
    TataFastWindowScorer scorer;
    return scanWith(scorer, sequence, affinities, deviations, count);
}

int scanTataSitesReference(const char* sequence, float* affinities, float* deviations, int& count) {
    ReferenceScorer scorer;
    return scanWith(scorer, sequence, affinities, deviations, count);
}

TataSiteScore bestTataSite(const char* sequence) {
    TataFastWindowScorer scorer;
    return bestWith(scorer, sequence);
}

TataSiteScore bestTataSiteReference(const char* sequence) {
    ReferenceScorer scorer;
    return bestWith(scorer, sequence);
}

} // namespace Nx
