// The scan of a whole sequence: which letters it takes, where each window's values land, its
// status codes, and how the best site is chosen. Each check runs on the fast scan and on the
// brute-force reference.
#include <tata_box_analysis/model/TataAffinityModel.h>
#include <tata_box_analysis/model/TataSiteScan.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace Nx;

namespace {

using ScanFn = int (*)(const char*, float*, float*, int&);
using BestFn = TataSiteScore (*)(const char*);

struct Scan {
    int status = 0;
    int count = -7; // not a value the scan writes
    std::vector<float> affinities;
    std::vector<float> deviations;
};

Scan scan(ScanFn fn, const std::string& s) {
    Scan r;
    r.affinities.assign(s.size(), 1234.0f);
    r.deviations.assign(s.size(), 1234.0f);
    testing::internal::CaptureStdout();
    r.status = fn(s.c_str(), r.affinities.data(), r.deviations.data(), r.count);
    std::fflush(stdout);
    testing::internal::GetCapturedStdout();
    return r;
}

TataSiteScore best(BestFn fn, const std::string& s) {
    testing::internal::CaptureStdout();
    const TataSiteScore r = fn(s.c_str());
    std::fflush(stdout);
    testing::internal::GetCapturedStdout();
    return r;
}

// The window with a TATA box on each strand used by the window tests.
const std::string W = "GCTATAAAAGGGCTGTATAAAAGCGC";
// A promoter-like stretch of 42 letters.
const std::string SEQ = "CCGCGTTATAAAAGGCGCCTATAAATAGGCGCTGCAGCGTAC";

class TataSiteScanTest : public testing::TestWithParam<std::pair<ScanFn, BestFn>> {
protected:
    Scan scanOf(const std::string& s) { return scan(GetParam().first, s); }
    TataSiteScore bestOf(const std::string& s) { return best(GetParam().second, s); }
};

} // namespace

TEST_P(TataSiteScanTest, WindowValuesLandOnTheFourteenthLetter) {
    const std::string s = W + "TATAG"; // 31 letters: windows start at 0..5
    const Scan r = scanOf(s);
    ASSERT_EQ(1, r.status);
    EXPECT_EQ(31, r.count);
    for (int j = 0; j < 31; ++j) {
        if (j < 13 || j > 18) {
            EXPECT_EQ(-999.0f, r.affinities[j]) << j;
            EXPECT_EQ(-999.0f, r.deviations[j]) << j;
            continue;
        }
        const std::string window = s.substr(j - 13, 26);
        EXPECT_EQ(float(tataAffinity(window.c_str())), r.affinities[j]) << j;
        EXPECT_EQ(float(tataAffinityDeviation(window.c_str())), r.deviations[j]) << j;
    }
}

TEST_P(TataSiteScanTest, ExactlyOneWindowGivesItsValues) {
    const Scan r = scanOf(W);
    ASSERT_EQ(1, r.status);
    EXPECT_EQ(26, r.count);
    // Hand values of W (independent Python evaluation), rounded to single precision.
    EXPECT_EQ(float(17.892393072361187), r.affinities[13]);
    EXPECT_EQ(float(0.07898997782356133), r.deviations[13]);
    const TataSiteScore b = bestOf(W);
    EXPECT_EQ(float(17.892393072361187), b.affinity);
    EXPECT_EQ(float(0.07898997782356133), b.deviation);
}

TEST_P(TataSiteScanTest, BestSiteOfALongerStretchMatchesHandValues) {
    // Independent Python evaluation: the best window is centred on letter 25, with affinity
    // 20.285362243652344 and deviation 0.1083063930273056 as single-precision numbers.
    const Scan r = scanOf(SEQ);
    ASSERT_EQ(1, r.status);
    EXPECT_EQ(25, findMaxIndex(r.affinities.data(), r.count));
    const TataSiteScore b = bestOf(SEQ);
    EXPECT_EQ(20.285362243652344f, b.affinity);
    EXPECT_EQ(0.1083063930273056f, b.deviation);
    EXPECT_TRUE(b.hasSite());
}

TEST_P(TataSiteScanTest, StatusCodesAndNoSite) {
    std::vector<float> a(40, 5.0f), d(40, 5.0f);
    int count = -7;
    const ScanFn fn = GetParam().first;
    EXPECT_EQ(-1, fn(nullptr, a.data(), d.data(), count));
    EXPECT_EQ(-1, fn(W.c_str(), nullptr, d.data(), count));
    EXPECT_EQ(-1, fn(W.c_str(), a.data(), nullptr, count));
    EXPECT_EQ(-99, fn(W.substr(0, 25).c_str(), a.data(), d.data(), count));
    EXPECT_EQ(-7, count);
    EXPECT_EQ(5.0f, a[0]); // nothing written on a failed precondition

    // 26 bytes or more, but only 25 accepted letters.
    const std::string few = W.substr(0, 25) + "  12-3";
    const Scan r = scanOf(few);
    EXPECT_EQ(-9999, r.status);
    EXPECT_EQ(-7, r.count);
    for (int j = 0; j < 25; ++j) {
        EXPECT_EQ(-999.0f, r.affinities[j]) << j;
    }

    for (const std::string& s : {std::string(), W.substr(0, 25), few}) {
        const TataSiteScore b = bestOf(s);
        EXPECT_EQ(-1.0f, b.affinity) << s;
        EXPECT_EQ(-1.0f, b.deviation) << s;
        EXPECT_FALSE(b.hasSite());
    }
}

TEST_P(TataSiteScanTest, LetterMappingAndSkippedBytes) {
    const Scan plain = scanOf(SEQ);
    const TataSiteScore expected = bestOf(SEQ);

    std::string lower = SEQ;
    for (char& c : lower) {
        c = char(c - 'A' + 'a');
    }
    std::string rna = SEQ;
    for (char& c : rna) {
        c = c == 'T' ? 'U' : c;
    }
    std::string padded; // blanks, line breaks, digits, B D H V and punctuation between letters
    const std::string junk = " \t\r\n0123456789BDHVbdhv.-*>EFIJOPQLZ";
    for (size_t i = 0; i < SEQ.size(); ++i) {
        padded += SEQ[i];
        padded += junk[i % junk.size()];
    }
    for (const std::string& s : {lower, rna, padded}) {
        const TataSiteScore b = bestOf(s);
        EXPECT_EQ(expected.affinity, b.affinity) << s;
        EXPECT_EQ(expected.deviation, b.deviation) << s;
    }
    // With skipped bytes between letters, the values still sit at the letter positions.
    const Scan p = scanOf(padded);
    EXPECT_EQ(plain.count, p.count);
    for (int j = 0; j < plain.count; ++j) {
        EXPECT_EQ(plain.affinities[j], p.affinities[j]) << j;
    }

    // Every ambiguity code counts as N, in either case.
    const std::string withN = SEQ.substr(0, 20) + "N" + SEQ.substr(21);
    const Scan n = scanOf(withN);
    for (const char code : std::string("KMNRSWXYkmnrswxy")) {
        const std::string s = SEQ.substr(0, 20) + code + SEQ.substr(21);
        const Scan r = scanOf(s);
        ASSERT_EQ(n.count, r.count) << code;
        for (int j = 0; j < n.count; ++j) {
            EXPECT_EQ(n.affinities[j], r.affinities[j]) << code << " at " << j;
            EXPECT_EQ(n.deviations[j], r.deviations[j]) << code << " at " << j;
        }
    }
}

TEST_P(TataSiteScanTest, UnknownLetterSentinelsByWindowOffset) {
    // N at letter 20: the window starting at s holds it at offset 20 - s.
    const std::string s = SEQ.substr(0, 20) + "N" + SEQ.substr(21);
    const Scan r = scanOf(s);
    ASSERT_EQ(1, r.status);
    for (int start = 0; start <= 16; ++start) {
        const int offset = 20 - start;
        const int j = start + 13;
        if (offset >= 6 && offset <= 9) {
            EXPECT_EQ(-95.0f, r.affinities[j]) << offset;
            EXPECT_EQ(-95.0f, r.deviations[j]) << offset;
        } else if (offset >= 10 && offset <= 19) {
            EXPECT_EQ(-96.0f, r.affinities[j]) << offset;
            EXPECT_EQ(-96.0f, r.deviations[j]) << offset;
        } else {
            EXPECT_GT(r.affinities[j], 0.0f) << offset;
        }
    }
    // Any real affinity beats the sentinels.
    const int idx = findMaxIndex(r.affinities.data(), r.count);
    EXPECT_TRUE(idx == 13 || idx == 28 || idx == 29) << idx;

    // Only unknown letters: every window fails at its first inner window, and the sentinel is
    // the best value there is. It is a number, not "no site".
    const TataSiteScore allN = bestOf(std::string(30, 'N'));
    EXPECT_EQ(-95.0f, allN.affinity);
    EXPECT_EQ(-95.0f, allN.deviation);
    EXPECT_TRUE(allN.hasSite());
}

INSTANTIATE_TEST_SUITE_P(FastAndReference, TataSiteScanTest,
                         testing::Values(std::make_pair(ScanFn(scanTataSites), BestFn(bestTataSite)),
                                         std::make_pair(ScanFn(scanTataSitesReference),
                                                        BestFn(bestTataSiteReference))));

TEST(TataFindMaxIndex, FirstStrictMaximumAboveMinusTwoToThe31) {
    const float ties[] = {-999.0f, 3.5f, 2.0f, 3.5f};
    EXPECT_EQ(1, findMaxIndex(ties, 4));
    const float sentinels[] = {-999.0f, -96.0f, -95.0f, -999.0f};
    EXPECT_EQ(2, findMaxIndex(sentinels, 4));
    const float empty[] = {-999.0f, -999.0f};
    EXPECT_EQ(0, findMaxIndex(empty, 2));
    const float tooLow[] = {-2147483648.0f, -3e9f};
    EXPECT_EQ(-1, findMaxIndex(tooLow, 2));
    EXPECT_EQ(-1, findMaxIndex(ties, 0));
    EXPECT_EQ(-1, findMaxIndex(nullptr, 3));
    EXPECT_EQ(1, findMaxIndex(ties, 2)); // only the first n count
}

TEST(TataScanLetter, MapsBasesAmbiguityCodesAndSkipsTheRest) {
    const std::string in = "AaCcGgTtUuNnKkMmRrSsWwXxYyBbDdHhVvEZ0 \t\n-";
    const std::string out = "AACCGGTTTTNNNNNNNNNNNNNNNN";
    for (size_t i = 0; i < in.size(); ++i) {
        const char expected = i < out.size() ? out[i] : '\0';
        EXPECT_EQ(expected, tataScanLetter(in[i])) << "byte " << int(in[i]);
    }
    EXPECT_EQ('\0', tataScanLetter(char(0xC3)));
}
