#include <NxCore/variation/KnownMutationsUtils.h>

#include <gtest/gtest.h>

using namespace Nx;

TEST(KnownMutationsUtilsTest, AutosomesWithAndWithoutPrefix) {
    for (int i = 1; i <= 22; ++i) {
        EXPECT_EQ(KnownMutationsUtils::getNumberByChrName(QString::number(i)), i);
        EXPECT_EQ(KnownMutationsUtils::getNumberByChrName("chr" + QString::number(i)), i);
        EXPECT_EQ(KnownMutationsUtils::getNumberByChrName("CHR" + QString::number(i)), i);
        EXPECT_EQ(KnownMutationsUtils::getNumberByChrName("Chr" + QString::number(i)), i);
    }
}

TEST(KnownMutationsUtilsTest, SexAndMitochondrialChromosomes) {
    EXPECT_EQ(KnownMutationsUtils::getNumberByChrName("X"), 23);
    EXPECT_EQ(KnownMutationsUtils::getNumberByChrName("chrX"), 23);
    EXPECT_EQ(KnownMutationsUtils::getNumberByChrName("x"), 23);
    EXPECT_EQ(KnownMutationsUtils::getNumberByChrName("Y"), 24);
    EXPECT_EQ(KnownMutationsUtils::getNumberByChrName("chrY"), 24);
    EXPECT_EQ(KnownMutationsUtils::getNumberByChrName("M"), 25);
    EXPECT_EQ(KnownMutationsUtils::getNumberByChrName("MT"), 25);
    EXPECT_EQ(KnownMutationsUtils::getNumberByChrName("chrM"), 25);
    EXPECT_EQ(KnownMutationsUtils::getNumberByChrName("chrMT"), 25);
}

TEST(KnownMutationsUtilsTest, UnknownNamesGiveMinusOne) {
    for (const char* name : {"", "chr", "0", "23", "chr23", "25", "01", "chr01", "1a", "-1", " 1", "1 ", "chr_1",
                             "chrUn_gl000220", "chr1_random", "XY", "MTX", "GL000192.1", "chrchr1", "100"}) {
        EXPECT_EQ(KnownMutationsUtils::getNumberByChrName(name), -1) << name;
    }
}

TEST(KnownMutationsUtilsTest, NamesByNumberRoundTrip) {
    for (int i = 1; i <= 25; ++i) {
        QString name = KnownMutationsUtils::getChrNameByNumber(i);
        EXPECT_EQ(KnownMutationsUtils::getNumberByChrName(name), i) << i;
    }
    EXPECT_TRUE(KnownMutationsUtils::getChrNameByNumber(0).isEmpty());
    EXPECT_TRUE(KnownMutationsUtils::getChrNameByNumber(-1).isEmpty());
    EXPECT_TRUE(KnownMutationsUtils::getChrNameByNumber(26).isEmpty());
}
