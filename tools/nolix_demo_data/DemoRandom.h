// The generator's only source of chance. std::mt19937_64's output sequence is fixed by the C++
// standard, but the std distributions are not, so the few distributions needed are written here:
// the same seed gives the same files with every compiler and library.
#pragma once

#include <QtGlobal>

#include <random>

namespace Nx {

class DemoRandom {
public:
    explicit DemoRandom(quint64 seed) : engine(seed) {}

    quint64 next() { return engine(); }

    // Uniform in [0, n); n > 0. Rejection sampling keeps it unbiased.
    quint64 below(quint64 n) {
        const quint64 limit = ~quint64(0) - (~quint64(0) % n);
        quint64 x = next();
        while (x >= limit) {
            x = next();
        }
        return x % n;
    }
    // Uniform in [lo, hi], both included.
    qint64 range(qint64 lo, qint64 hi) { return lo + qint64(below(quint64(hi - lo) + 1)); }
    // Uniform in [0, 1) with 53 random bits.
    double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    bool chance(double p) { return unit() < p; }

    // A base with human-like composition (about 41% GC).
    char base() {
        quint64 x = below(1000);
        return x < 295 ? 'A' : x < 500 ? 'C' : x < 705 ? 'G' : 'T';
    }
    // One of the three bases other than b.
    char otherBase(char b) {
        static const char bases[] = "ACGT";
        char c = bases[below(4)];
        while (c == b) {
            c = bases[below(4)];
        }
        return c;
    }

private:
    std::mt19937_64 engine;
};

}  // namespace Nx
