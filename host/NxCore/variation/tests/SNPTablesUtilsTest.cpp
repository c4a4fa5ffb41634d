#include "RefDbTestFixture.h"

#include <NxCore/variation/DamageMatrix.h>
#include <NxCore/variation/SNPTablesUtils.h>

using namespace Nx;

namespace {

class SNPTablesUtilsTest : public RefDbTestFixture {};

TEST_F(SNPTablesUtilsTest, FilterCodesDropWhatTheyName) {
    NxDataId chr = addSequence("chr1");
    addGene(chr, "T_CODING", "BRCA2", 100, 300);
    addGene(chr, "T_NONCODING", "LINC1", 100, 300, false, false);
    addGene(chr, "T_FR", "FR123", 100, 300);
    addGene(chr, "T_PARTIAL", "ODD", 100, 301);  // 301 coding bases: not whole codons
    NxRegion r(150, 1);

    EXPECT_EQ(idsOf(SNPTablesUtils::findGenes(chr, r, featureDbi, os, {})),
              QList<QByteArray>({"T_CODING", "T_FR", "T_NONCODING", "T_PARTIAL"}));
    EXPECT_EQ(idsOf(SNPTablesUtils::findGenes(chr, r, featureDbi, os, {SNPTablesUtils::SkipNonCoding})),
              QList<QByteArray>({"T_CODING", "T_FR", "T_PARTIAL"}));
    EXPECT_EQ(idsOf(SNPTablesUtils::findGenes(chr, r, featureDbi, os, {SNPTablesUtils::SkipFRNamed})),
              QList<QByteArray>({"T_CODING", "T_NONCODING", "T_PARTIAL"}));
    EXPECT_EQ(idsOf(SNPTablesUtils::findGenes(chr, r, featureDbi, os, {SNPTablesUtils::SkipIncompleteCoding})),
              QList<QByteArray>({"T_CODING", "T_FR"}));
    EXPECT_EQ(idsOf(SNPTablesUtils::findGenes(chr, r, featureDbi, os, {1, 2})), QList<QByteArray>({"T_CODING", "T_PARTIAL"}));
    EXPECT_FALSE(os.hasError());

    NxOpStatusImpl unknown;
    EXPECT_TRUE(SNPTablesUtils::findGenes(chr, r, featureDbi, unknown, {42}).isEmpty());
    EXPECT_TRUE(unknown.getError().contains("42"));
    NxOpStatusImpl noTable;
    SNPTablesUtils::findGenes(chr, r, nullptr, noTable, {});
    EXPECT_TRUE(noTable.hasError());
}

TEST_F(SNPTablesUtilsTest, RegulatedGenesHaveThePromoterUpstreamOnTheirStrand) {
    NxDataId chr = addSequence("chr1");
    addGene(chr, "FWD", "F", 5000, 1000);        // promoter [4000, 5000)
    addGene(chr, "REV", "R", 10000, 1000, true);  // promoter [11000, 12000)
    auto regulated = [&](qint64 pos) { return idsOf(SNPTablesUtils::findRegulatedGenes(chr, NxRegion(pos, 1), featureDbi, os, {})); };

    EXPECT_EQ(regulated(4000), QList<QByteArray>({"FWD"}));
    EXPECT_EQ(regulated(4999), QList<QByteArray>({"FWD"}));
    EXPECT_TRUE(regulated(3999).isEmpty());
    EXPECT_TRUE(regulated(5000).isEmpty());   // inside the gene, not its promoter
    EXPECT_TRUE(regulated(6000).isEmpty());   // downstream of a forward gene
    EXPECT_TRUE(regulated(9999).isEmpty());   // downstream of a reverse gene
    EXPECT_EQ(regulated(11000), QList<QByteArray>({"REV"}));
    EXPECT_EQ(regulated(11999), QList<QByteArray>({"REV"}));
    EXPECT_TRUE(regulated(12000).isEmpty());
    EXPECT_FALSE(os.hasError());

    // Near the sequence start the window is clipped at 0.
    addGene(chr, "EARLY", "E", 200, 100);
    EXPECT_EQ(regulated(0), QList<QByteArray>({"EARLY"}));
    EXPECT_EQ(SNPTablesUtils::promoterWindow(featureDbi->getGene("EARLY", os)), NxRegion(0, 200));
}

TEST(DamageMatrixTest, ScoresComeFromTheirRowAndColumn) {
    QVector<std::array<float, 20>> rows(3);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 20; ++c) {
            rows[r][c] = r * 100 + c + 0.5f;
        }
    }
    QByteArray m = DamageMatrix::encode(rows);
    ASSERT_EQ(m.size(), 3 * 80);
    // Little-endian float32: 0.5f is 00 00 00 3F.
    EXPECT_EQ(m.left(4), QByteArray("\x00\x00\x00\x3f", 4));
    EXPECT_FLOAT_EQ(DamageMatrix::score('A', 0, m, 3), 0.5f);
    EXPECT_FLOAT_EQ(DamageMatrix::score('Y', 2, m, 3), 219.5f);
    EXPECT_FLOAT_EQ(DamageMatrix::score('W', 1, m, 3), 118.5f);
    EXPECT_FLOAT_EQ(DamageMatrix::score('k', 1, m, 3), 108.5f);  // column of K is 8
    EXPECT_EQ(DamageMatrix::score('*', 1, m, 3), -1.0f);
    EXPECT_EQ(DamageMatrix::score('X', 1, m, 3), -1.0f);
    EXPECT_EQ(DamageMatrix::score('A', 3, m, 3), -1.0f);
    EXPECT_EQ(DamageMatrix::score('A', -1, m, 3), -1.0f);
    EXPECT_EQ(DamageMatrix::score('A', 0, m.left(239), 3), -1.0f);  // shorter than L rows
    EXPECT_EQ(DamageMatrix::score('A', 0, QByteArray(), 0), -1.0f);
}

}  // namespace
