// The fast scan must give exactly the floats of the brute-force scan, at every position, for
// every kind of input the scan meets: bases in either case, U, unknown letters (N and the other
// ambiguity codes) and skipped bytes.
#include <tata_box_analysis/model/TataAffinityModel.h>
#include <tata_box_analysis/model/TataFastWindowScorer.h>
#include <tata_box_analysis/model/TataSiteScan.h>

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace Nx;

namespace {

// Random sequence of `length` bytes; `unknownRate` and `junkRate` are the chances of an
// ambiguity letter and of a skipped byte.
std::string randomSequence(std::mt19937& rng, int length, double unknownRate, double junkRate) {
    static const char bases[] = "ACGTacgtUu";
    static const char unknown[] = "NnKMRSWXYy";
    static const char junk[] = " \t\r\n0123456789BDHVbdhv-*.>EFIJ";
    std::uniform_real_distribution<double> coin(0.0, 1.0);
    std::string s;
    for (int i = 0; i < length; ++i) {
        const double c = coin(rng);
        if (c < unknownRate) {
            s += unknown[rng() % (sizeof(unknown) - 1)];
        } else if (c < unknownRate + junkRate) {
            s += junk[rng() % (sizeof(junk) - 1)];
        } else {
            // Mostly upper case, and an A/T-rich part now and then so TATA-like sites occur.
            const int n = (rng() % 4 == 0) ? 10 : 4;
            s += (n == 10) ? bases[rng() % 10] : "AATT"[rng() % 4];
        }
    }
    return s;
}

struct ScanResult {
    int status = 0;
    int count = -1;
    std::vector<float> affinities;
    std::vector<float> deviations;
};

template <class Scan>
ScanResult runScan(Scan scan, const std::string& s) {
    ScanResult r;
    r.affinities.assign(s.size() + 1, -12345.0f);
    r.deviations.assign(s.size() + 1, -12345.0f);
    r.status = scan(s.c_str(), r.affinities.data(), r.deviations.data(), r.count);
    return r;
}

void expectSameBits(const std::vector<float>& a, const std::vector<float>& b, const std::string& s,
                    const char* what) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t j = 0; j < a.size(); ++j) {
        ASSERT_EQ(0, std::memcmp(&a[j], &b[j], sizeof(float)))
            << what << " differ at " << j << ": " << a[j] << " vs " << b[j] << " in \"" << s << "\"";
    }
}

void expectSameScan(const std::string& s) {
    const ScanResult fast = runScan(scanTataSites, s);
    const ScanResult reference = runScan(scanTataSitesReference, s);
    ASSERT_EQ(reference.status, fast.status) << s;
    ASSERT_EQ(reference.count, fast.count) << s;
    expectSameBits(reference.affinities, fast.affinities, s, "affinities");
    expectSameBits(reference.deviations, fast.deviations, s, "deviations");

    // The best site of the fast path is the reference's maximum.
    const TataSiteScore f = bestTataSite(s.c_str());
    TataSiteScore r;
    if (reference.status == 1) {
        const int idx = findMaxIndex(reference.affinities.data(), reference.count);
        r.affinity = reference.affinities[idx];
        r.deviation = reference.deviations[idx];
    }
    ASSERT_EQ(0, std::memcmp(&f.affinity, &r.affinity, sizeof(float))) << s;
    ASSERT_EQ(0, std::memcmp(&f.deviation, &r.deviation, sizeof(float))) << s;
}

} // namespace

TEST(TataFastPath, MatchesReferenceOnRandomPromoterStretches) {
    std::mt19937 rng(20240611);
    testing::internal::CaptureStdout(); // windows with N write their diagnostic lines
    for (int n = 0; n < 400; ++n) {
        const int length = 26 + int(rng() % 60);
        expectSameScan(randomSequence(rng, length, 0.0, 0.0));
        if (HasFatalFailure()) {
            break;
        }
    }
    testing::internal::GetCapturedStdout();
}

TEST(TataFastPath, MatchesReferenceWithUnknownAndSkippedLetters) {
    std::mt19937 rng(7);
    testing::internal::CaptureStdout();
    for (int n = 0; n < 250; ++n) {
        const int length = 20 + int(rng() % 70);
        expectSameScan(randomSequence(rng, length, 0.02, 0.05));
        if (HasFatalFailure()) {
            break;
        }
    }
    testing::internal::GetCapturedStdout();
}

TEST(TataFastPath, WritesTheSameDiagnosticLines) {
    std::mt19937 rng(99);
    int withDiagnostics = 0;
    for (int n = 0; n < 20; ++n) {
        const std::string s = randomSequence(rng, 40, 0.03, 0.02);
        testing::internal::CaptureStdout();
        const TataSiteScore r = bestTataSiteReference(s.c_str());
        std::fflush(stdout);
        const std::string referenceOut = testing::internal::GetCapturedStdout();
        testing::internal::CaptureStdout();
        const TataSiteScore f = bestTataSite(s.c_str());
        std::fflush(stdout);
        const std::string fastOut = testing::internal::GetCapturedStdout();
        EXPECT_EQ(referenceOut, fastOut) << s;
        EXPECT_EQ(r.affinity, f.affinity) << s;
        withDiagnostics += !fastOut.empty();
    }
    EXPECT_GT(withDiagnostics, 3); // the comparison must have met unknown letters
}

TEST(TataFastPath, WindowDoublesMatchTheBruteForce) {
    // Before the scan rounds them to single precision, affinity and deviation of every window
    // must already be the brute force's doubles.
    std::mt19937 rng(42);
    testing::internal::CaptureStdout();
    for (int n = 0; n < 40; ++n) {
        std::string s = randomSequence(rng, 70, 0.01, 0.0);
        for (char& c : s) {
            c = tataScanLetter(c);
        }
        TataFastWindowScorer scorer;
        for (int start = 0; start + 26 <= int(s.size()); ++start) {
            const std::string window = s.substr(start, 26);
            double affinity = 0.0, deviation = 0.0;
            scorer.score(window.c_str(), start, affinity, deviation);
            const double a = tataAffinity(window.c_str());
            const double d = tataAffinityDeviation(window.c_str());
            ASSERT_EQ(0, std::memcmp(&a, &affinity, sizeof(double))) << window;
            ASSERT_EQ(0, std::memcmp(&d, &deviation, sizeof(double))) << window;
        }
    }
    testing::internal::GetCapturedStdout();
}

TEST(TataFastPath, OneScorerServesWindowsInAnyOrder) {
    // The scorer keeps inner windows between calls; a start it has seen with other letters, a
    // start going backwards or a byte that is no upper-case base must not reuse stale scores.
    std::mt19937 rng(1234);
    TataFastWindowScorer scorer;
    testing::internal::CaptureStdout();
    for (int n = 0; n < 300; ++n) {
        std::string window = randomSequence(rng, 26, 0.005, 0.0);
        if (n % 3 != 0) {
            for (char& c : window) {
                c = tataScanLetter(c); // mostly scan letters, sometimes raw lower case and U
            }
        }
        const int start = int(rng() % 12);
        double affinity = 0.0, deviation = 0.0;
        scorer.score(window.c_str(), start, affinity, deviation);
        const double a = tataAffinity(window.c_str());
        const double d = tataAffinityDeviation(window.c_str());
        ASSERT_EQ(0, std::memcmp(&a, &affinity, sizeof(double))) << window << " at " << start;
        ASSERT_EQ(0, std::memcmp(&d, &deviation, sizeof(double))) << window << " at " << start;
    }
    testing::internal::GetCapturedStdout();
}
