// Scores of single windows. Expected numbers were computed by an independent Python evaluation
// of the model's formulas (written from the formula text, string based, IEEE doubles), not by
// this code; the window is W below unless a test says otherwise.
#include <tata_box_analysis/model/TataAffinityModel.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace Nx;

namespace {

// A window with a TATA box on each strand.
const std::string W = "GCTATAAAAGGGCTGTATAAAAGCGC";
// Its first inner window and that window's reverse complement.
const std::string W0 = W.substr(0, 20);  // GCTATAAAAGGGCTGTATAA
const std::string R0 = "TTATACAGCCCTTTTATAGC";

std::string withLetter(std::string s, size_t at, char letter) {
    s[at] = letter;
    return s;
}

// Standard output written while f runs.
template <class F>
std::string stdoutOf(F f) {
    testing::internal::CaptureStdout();
    f();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

} // namespace

TEST(TataWindowScores, ComponentsOfOneInnerWindowMatchHandValues) {
    // Forward strand.
    EXPECT_DOUBLE_EQ(-25.22, tataMatrixScore(W0.c_str() + 6));
    EXPECT_DOUBLE_EQ(4.536, wrStepSum(W0.c_str() + 4));
    EXPECT_DOUBLE_EQ(1.212, tvStepSum(W0.c_str() + 4));
    EXPECT_DOUBLE_EQ(21.540850788, wrTvScore(W0.c_str() + 4));
    EXPECT_DOUBLE_EQ(0.286, taStepSum(W0.c_str() + 1));
    EXPECT_DOUBLE_EQ(5.263333333333333, dinucleotideMean(W0.c_str() + 6));
    EXPECT_DOUBLE_EQ(18.39413333333333, dinucleotideTaScore(W0.c_str() + 1));
    // Reverse strand.
    EXPECT_DOUBLE_EQ(-26.68, tataMatrixScore(R0.c_str() + 6));
    EXPECT_DOUBLE_EQ(3.052, wrStepSum(R0.c_str() + 4));
    EXPECT_DOUBLE_EQ(0.628, tvStepSum(R0.c_str() + 4));
    EXPECT_DOUBLE_EQ(18.773583707999997, wrTvScore(R0.c_str() + 4));
    EXPECT_DOUBLE_EQ(0.328, taStepSum(R0.c_str() + 1));
    EXPECT_DOUBLE_EQ(4.8500000000000005, dinucleotideMean(R0.c_str() + 6));
    EXPECT_DOUBLE_EQ(14.142500000000007, dinucleotideTaScore(R0.c_str() + 1));
}

TEST(TataWindowScores, AffinityAndDeviationMatchHandValues) {
    EXPECT_DOUBLE_EQ(17.892393072361187, tataAffinity(W.c_str()));
    EXPECT_DOUBLE_EQ(0.07898997782356133, tataAffinityDeviation(W.c_str()));
    // 21 letters: two inner windows.
    EXPECT_DOUBLE_EQ(15.063494742633903, tataAffinity(W.substr(0, 21).c_str()));
    // A longer string scores like its first 26 letters, whatever follows.
    const std::string longer = W + "TATATATAAAAGGGCCCTTTANNNN";
    EXPECT_EQ(tataAffinity(W.c_str()), tataAffinity(longer.c_str()));
    EXPECT_EQ(tataAffinityDeviation(W.c_str()), tataAffinityDeviation(longer.c_str()));
    EXPECT_NE(tataAffinity(W.c_str()), tataAffinity(longer.c_str() + 1));
    // Lower-case letters are not bases to the matrix and the dinucleotide table.
    EXPECT_LT(tataAffinity("gctataaaagggctgtataaaagcgc"), -50);
}

TEST(TataWindowScores, TiesKeepTheForwardStrandAndTheEarlierWindow) {
    // Hand search for 21-letter strings with tied best matrix scores. Inner window 0 of this one
    // scores -17.11 on both strands; the forward strand keeps it (16.0024...), switching to the
    // reverse strand would give 15.7338...
    EXPECT_DOUBLE_EQ(16.002404680522435, tataAffinity("TTAGTAATCTTTCGGGTCTCC"));
    // Here -18.19 is reached forward in window 0 and reverse in window 1: the earlier window
    // wins (16.7810...; the later one would give 15.5991...).
    EXPECT_DOUBLE_EQ(16.781000997251514, tataAffinity("AGTCAGCAACGATGCCCCAAC"));
}

TEST(TataWindowScores, MatrixColumn14NeverContributesInsideAWindow) {
    // On a 20-letter window the 15th column falls on the terminator: hand value of columns
    // 0..13 only.
    EXPECT_DOUBLE_EQ(-25.22, tataMatrixScore(W0.c_str() + 6));
    // The same letters followed by one more letter: now column 14 reads it (A weighs -0.62).
    const std::string w21 = W0 + "A";
    EXPECT_DOUBLE_EQ(-25.22 - 0.62, tataMatrixScore(w21.c_str() + 6));
    // The affinity cuts its inner windows at 20 letters, so the letter after inner window 0
    // never reaches its column 14: the 21-letter hand value above ignores column 14, and
    // changing letter 19 of a window changes the score only through column 13.
    const std::string t19 = withLetter(W0, 19, 'T');
    const std::string c19 = withLetter(W0, 19, 'C');
    EXPECT_NEAR((-54 + 28) / 100.0, tataMatrixScore(t19.c_str() + 6) - tataMatrixScore(c19.c_str() + 6),
                1e-9);
}

TEST(TataWindowScores, ShortInputsGiveTheirSentinels) {
    EXPECT_EQ(-103.0, tataAffinity(W.substr(0, 20).c_str()));
    EXPECT_EQ(-103.0, tataAffinity(""));
    EXPECT_EQ(-103.0, tataAffinityDeviation(W.substr(0, 25).c_str())); // would read past the end
    const char five[] = "xAAAA";
    EXPECT_EQ(-105.0, tataMatrixScore(five + 1)); // 5 letters counted from one before
    EXPECT_EQ(-201.0, wrStepSum("AAAAAAAAAAAAAA"));
    EXPECT_EQ(-202.0, tvStepSum("AAAAAAAAAAAAAA"));
    EXPECT_EQ(-2001.0, wrTvScore("AAAAAAAAAAAAAA"));
    EXPECT_EQ(-101.0, taStepSum("AAAAAAAAAAAAAA"));
    EXPECT_EQ(-102.0, dinucleotideTaScore("AAAAAAAAAAAAAA"));
    EXPECT_EQ(-1001.0, dinucleotideMean("AAAA"));
    EXPECT_EQ(-1002.0, dinucleotideMean("NAAAA"));
    EXPECT_EQ(-1003.0, dinucleotideMean("ANAAA"));
    EXPECT_EQ(-1002.0, dinucleotideMean("aAAAA")); // lower case is not a table letter
    EXPECT_EQ(-1003.0, dinucleotideMean("AAANA"));
    EXPECT_DOUBLE_EQ((6.4 + 5.31 + 6.4) / 3, dinucleotideMean("TATAN")); // fifth letter unused
}

TEST(TataWindowScores, SingleUnknownLetterFailsByItsOffset) {
    for (size_t at = 0; at < 26; ++at) {
        const std::string s = withLetter(W, at, 'N');
        double affinity = 0.0;
        double deviation = 0.0;
        stdoutOf([&] {
            affinity = tataAffinity(s.c_str());
            deviation = tataAffinityDeviation(s.c_str());
        });
        if (at >= 6 && at <= 9) {
            EXPECT_EQ(-95.0, affinity) << at;
            EXPECT_EQ(-95.0, deviation) << at;
        } else if (at >= 10 && at <= 19) {
            EXPECT_EQ(-96.0, affinity) << at;
            EXPECT_EQ(-96.0, deviation) << at;
        } else {
            EXPECT_GT(affinity, 0.0) << at;
            EXPECT_GT(deviation, 0.0) << at;
        }
    }
}

TEST(TataWindowScores, UnknownLetterWritesOneDiagnosticLinePerInnerWindow) {
    const std::string n7 = withLetter(W, 7, 'N');
    // Fails in inner window 0, after writing its line once.
    EXPECT_EQ("\n j=7 ", stdoutOf([&] { tataAffinity(n7.c_str()); }));
    EXPECT_EQ("\n j=7 ", stdoutOf([&] { tataAffinityDeviation(n7.c_str()); }));
    // At offset 2 the letter lies in inner windows 0, 1 and 2 (as their letters 2, 1, 0), none
    // of which fails.
    const std::string n2 = withLetter(W, 2, 'N');
    EXPECT_EQ("\n j=2 \n j=1 \n j=0 ", stdoutOf([&] { tataAffinity(n2.c_str()); }));
    // Bases, in either case and U, are no unknown letters.
    EXPECT_EQ("", stdoutOf([&] { tataAffinity("gcUAtaaaagggctgtataaaagcgc"); }));
}

TEST(TataWindowScores, UnknownLetterOnTheReverseStrandIsNoBase) {
    // Hand values: the unknown letter is kept unknown on the reverse strand (it contributes to
    // no matrix column and to no step), and its deviation tries all four bases at its position,
    // counted as three substitutions (3/4 of their summed squares).
    double a2 = 0.0, d2 = 0.0, a22 = 0.0, d22 = 0.0;
    stdoutOf([&] {
        a2 = tataAffinity(withLetter(W, 2, 'N').c_str());
        d2 = tataAffinityDeviation(withLetter(W, 2, 'N').c_str());
        a22 = tataAffinity(withLetter(W, 22, 'N').c_str());
        d22 = tataAffinityDeviation(withLetter(W, 22, 'N').c_str());
    });
    EXPECT_DOUBLE_EQ(17.897500334718337, a2);
    EXPECT_DOUBLE_EQ(0.07896471311057578, d2);
    EXPECT_DOUBLE_EQ(17.82196259997001, a22);
    EXPECT_DOUBLE_EQ(0.07887177766265549, d22);
}
