#include "RefDbTestFixture.h"

#include <NxCore/variation/GeneQueryCache.h>
#include <NxCore/variation/RegionClassCache.h>

#include <NxCore/dbi/sqlite/SQLiteDbi.h>

#include <QRandomGenerator>

#include <sqlite3.h>

using namespace Nx;

namespace {

class GeneQueryCacheTest : public RefDbTestFixture {};

TEST_F(GeneQueryCacheTest, AnswersLikeTheTableForRandomGenesAndRegionsAcrossWindows) {
    // Genes up to 300 kb long over 5 Mb, so windows of 1 Mb cut through many of them.
    NxDataId chr = addSequence("chr1");
    QRandomGenerator rng(7);
    for (int i = 0; i < 300; ++i) {
        qint64 start = rng.bounded(5000000);
        qint64 len = 1 + rng.bounded(i % 10 == 0 ? 300000 : 20000);
        addGene(chr, "T" + QByteArray::number(i), "G", start, len, i % 2 == 1);
    }
    GeneQueryCache cache(featureDbi);
    // Sorted positions like a variation track, then a few jumps back and long regions.
    QList<NxRegion> queries;
    qint64 pos = 0;
    while (pos < 5300000) {
        queries << NxRegion(pos, 1 + (pos % 7 == 0 ? rng.bounded(5000) : 0));
        pos += rng.bounded(9000);
    }
    queries << NxRegion(10, 1) << NxRegion(999999, 2) << NxRegion(0, 3000000) << NxRegion(4999990, 20);
    // Promoter windows that slide a few bases at a time, so that neighbours span the same
    // genes, and then the same run again after a jump back.
    for (qint64 at = 0; at < 5300000; at += 1 + rng.bounded(400)) {
        queries << NxRegion(at, 5000);
    }
    queries << NxRegion(2000000, 5000) << NxRegion(2000001, 5000) << NxRegion(10, 5000);
    for (const NxRegion& q : queries) {
        QList<QByteArray> expected = idsOf(featureDbi->getGenesInRegion(chr, q, os));
        ASSERT_EQ(idsOf(cache.overlappedGenes(q, chr, os)), expected) << q.startPos << "+" << q.length;
        ASSERT_EQ(cache.isIntersect(q, chr, os), !expected.isEmpty()) << q.startPos;
    }
    EXPECT_FALSE(os.hasError());
}

TEST_F(GeneQueryCacheTest, FollowsSequenceChangesAndTableChanges) {
    NxDataId chr1 = addSequence("chr1");
    NxDataId chr2 = addSequence("chr2");
    addGene(chr1, "A", "GA", 100, 100);
    addGene(chr2, "B", "GB", 100, 100);
    GeneQueryCache cache;
    EXPECT_TRUE(cache.overlappedGenes(NxRegion(150, 1), chr1, os).isEmpty());  // no table yet
    cache.setFeatureDbi(featureDbi);
    EXPECT_EQ(idsOf(cache.overlappedGenes(NxRegion(150, 1), chr1, os)), QList<QByteArray>({"A"}));
    EXPECT_EQ(idsOf(cache.overlappedGenes(NxRegion(150, 1), chr2, os)), QList<QByteArray>({"B"}));
    EXPECT_EQ(cache.overlappedGenes(NxRegion(150, 1), chr2, os).first().getName(), "GB");
    EXPECT_FALSE(cache.isIntersect(NxRegion(200, 1), chr2, os));
    EXPECT_TRUE(cache.isIntersect(NxRegion(199, 1), chr2, os));
    EXPECT_TRUE(cache.overlappedGenes(NxRegion(150, 0), chr2, os).isEmpty());
    cache.setFeatureDbi(nullptr);
    EXPECT_FALSE(cache.isIntersect(NxRegion(150, 1), chr2, os));
}

TEST_F(GeneQueryCacheTest, OverlappingGenesKeepTheHostOrder) {
    NxDataId chr = addSequence("1");
    addGene(chr, "Z_LATE", "G3", 150, 500);
    addGene(chr, "B", "G2", 100, 100);
    addGene(chr, "A", "G1", 100, 400, true);
    GeneQueryCache cache(featureDbi);
    EXPECT_EQ(idsOf(cache.overlappedGenes(NxRegion(160, 1), chr, os)), QList<QByteArray>({"A", "B", "Z_LATE"}));
    EXPECT_EQ(idsOf(cache.overlappedGenes(NxRegion(250, 1), chr, os)), QList<QByteArray>({"A", "Z_LATE"}));
    // A region over several segments gets each gene once.
    EXPECT_EQ(idsOf(cache.overlappedGenes(NxRegion(120, 500), chr, os)), QList<QByteArray>({"A", "B", "Z_LATE"}));
}

class SpecialRegionsCacheTest : public RefDbTestFixture {};

TEST_F(SpecialRegionsCacheTest, AnswersLikeTheTableAndKeepsSetsApart) {
    NxDataId chr = addSequence("chr1");
    QRandomGenerator rng(11);
    for (int i = 0; i < 400; ++i) {
        addRegion(chr, i % 3 == 0 ? "CR" : "SD", rng.bounded(3000000), 1 + rng.bounded(4000));
    }
    SpecialRegionsCache sd(featureDbi, "SD");
    SpecialRegionsCache cr(nullptr, "CR");
    cr.setFeatureDbi(featureDbi);
    for (qint64 pos = 0; pos < 3100000; pos += 1 + rng.bounded(3000)) {
        NxRegion q(pos, 1 + (pos % 5 == 0 ? 50 : 0));
        ASSERT_EQ(sd.isIntersect(q, chr, os), featureDbi->hasFeatureInRegion(chr, q, "SD", os)) << pos;
        ASSERT_EQ(cr.isIntersect(q, chr, os), featureDbi->hasFeatureInRegion(chr, q, "CR", os)) << pos;
    }
    EXPECT_FALSE(os.hasError());
}

TEST_F(SpecialRegionsCacheTest, EdgesAreHalfOpenAndOtherSequencesAreEmpty) {
    NxDataId chr1 = addSequence("chr1");
    NxDataId chr2 = addSequence("chr2");
    addRegion(chr1, "SD", 1000, 10);
    addRegion(chr1, "SD", 1005, 20);  // overlapping regions merge
    SpecialRegionsCache sd(featureDbi, "SD");
    EXPECT_FALSE(sd.isIntersect(NxRegion(999, 1), chr1, os));
    EXPECT_TRUE(sd.isIntersect(NxRegion(999, 2), chr1, os));
    EXPECT_TRUE(sd.isIntersect(NxRegion(1024, 1), chr1, os));
    EXPECT_FALSE(sd.isIntersect(NxRegion(1025, 1), chr1, os));
    EXPECT_FALSE(sd.isIntersect(NxRegion(1010, 1), chr2, os));
    EXPECT_TRUE(sd.isIntersect(NxRegion(1010, 1), chr1, os));
}

// A damaged feature index must reach the caller as an error naming the file, never as "no gene"
// or "no region" that would let the variation pass as evaluated.
TEST_F(GeneQueryCacheTest, TableFailuresReachTheCallerNamingTheFile) {
    NxDataId chr = addSequence("chr1");
    addGene(chr, "A", "G1", 100, 400);
    addRegion(chr, "SD", 100, 50);
    GeneQueryCache genes(featureDbi);
    SpecialRegionsCache sd(featureDbi, "SD");
    EXPECT_EQ(genes.overlappedGenes(NxRegion(150, 1), chr, os).size(), 1);
    EXPECT_TRUE(sd.isIntersect(NxRegion(120, 1), chr, os));
    ASSERT_FALSE(os.hasError());

    sqlite3* h = static_cast<SQLiteDbi*>(con.dbi)->getHandle();
    ASSERT_EQ(sqlite3_exec(h, "DROP TABLE FeatureLocation", nullptr, nullptr, nullptr), SQLITE_OK);
    // Loaded windows still answer from memory.
    EXPECT_EQ(genes.overlappedGenes(NxRegion(150, 1), chr, os).size(), 1);
    EXPECT_FALSE(os.hasError());

    // Far away: a new window must be read, and the read fails.
    const NxRegion far(5 * GeneQueryCache::WINDOW_SIZE, 1);
    NxOpStatusImpl geneOs;
    EXPECT_TRUE(genes.overlappedGenes(far, chr, geneOs).isEmpty());
    ASSERT_TRUE(geneOs.hasError());
    EXPECT_TRUE(geneOs.getError().contains(dir.filePath("ref.s3db"))) << geneOs.getError().toStdString();
    NxOpStatusImpl isectOs;
    EXPECT_FALSE(genes.isIntersect(far, chr, isectOs));
    EXPECT_TRUE(isectOs.hasError());

    NxOpStatusImpl sdOs;
    EXPECT_FALSE(sd.isIntersect(far, chr, sdOs));
    ASSERT_TRUE(sdOs.hasError());
    EXPECT_TRUE(sdOs.getError().contains("SD")) << sdOs.getError().toStdString();
    EXPECT_TRUE(sdOs.getError().contains(dir.filePath("ref.s3db")));
    // A failed status stops further look-ups instead of hiding the first error.
    EXPECT_FALSE(sd.isIntersect(NxRegion(120, 1), chr, sdOs));
}

}  // namespace
