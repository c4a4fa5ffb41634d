#include "DbiTestUtils.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/KnownMutationsDbi.h>

#include <gtest/gtest.h>

#include <memory>

using namespace Nx;
using namespace Nx::DbiTestUtils;

namespace {

KnownMutation mutation(qint64 pos, const QByteArray& ref, const QByteArray& alt, const QByteArray& knownId,
                       double base) {
    KnownMutation m;
    m.position = pos;
    m.refAllele = ref;
    m.obsAllele = alt;
    m.knownId = knownId;
    double* scores[] = {&m.avSift, &m.lrt, &m.phyloP, &m.pp2, &m.mutationTaster, &m.genomes1000,
                        &m.extraScore1, &m.extraScore2, &m.gerpConserved, &m.altAlleleFrequency,
                        &m.hapmap, &m.gerpScore, &m.extraScore3};
    for (int i = 0; i < 13; ++i) {
        *scores[i] = base + i;  // distinct per field, so a swapped column shows
    }
    return m;
}

QList<KnownMutation> drain(NxDbiIterator<KnownMutation>* it) {
    QList<KnownMutation> res;
    while (it->hasNext()) {
        res << it->next();
    }
    delete it;
    return res;
}

class SQLiteKnownMutationsDbiTest : public ::testing::Test {
protected:
    void SetUp() override {
        con.open(refOf(dir.filePath("ref.s3db")), true, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
        kdbi = con.dbi->getKnownMutationsDbi();
        ASSERT_NE(kdbi, nullptr);
    }

    KnownMutationsTrack track(int number, const QString& name) {
        KnownMutationsTrack t;
        t.chromosomeNumber = number;
        t.visualName = name;
        kdbi->createTrack(t, os);
        return t;
    }

    QTemporaryDir dir;
    NxOpStatusImpl os;
    DbiConnection con;
    KnownMutationsDbi* kdbi = nullptr;
};

TEST_F(SQLiteKnownMutationsDbiTest, APositionYieldsEveryAlleleWithItsScores) {
    KnownMutationsTrack t1 = track(1, "chr1");
    kdbi->addMutations(t1.id, {mutation(99, "A", "C", "rs1", 0.0), mutation(99, "A", "G", "rs1", 100.0),
                               mutation(100, "C", "T", "", 200.0), mutation(98, "AT", "A", "rs9", 300.0)},
                       os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();

    QList<KnownMutation> at99 = drain(kdbi->getMutationsAt(t1.id, 99, os));
    ASSERT_EQ(at99.size(), 2);
    EXPECT_EQ(at99[0].obsAllele, QByteArray("C"));
    EXPECT_EQ(at99[1].obsAllele, QByteArray("G"));
    for (const KnownMutation& m : at99) {
        EXPECT_EQ(m.position, 99);
        EXPECT_EQ(m.refAllele, QByteArray("A"));
        EXPECT_EQ(m.knownId, QByteArray("rs1"));
        EXPECT_TRUE(m.hasValidId());
    }
    EXPECT_DOUBLE_EQ(at99[1].avSift, 100.0);
    EXPECT_DOUBLE_EQ(at99[1].genomes1000, 105.0);
    EXPECT_DOUBLE_EQ(at99[1].gerpScore, 111.0);
    EXPECT_DOUBLE_EQ(at99[1].extraScore3, 112.0);
    EXPECT_NE(at99[0].id, at99[1].id);

    QList<KnownMutation> at100 = drain(kdbi->getMutationsAt(t1.id, 100, os));
    ASSERT_EQ(at100.size(), 1);
    EXPECT_TRUE(at100[0].knownId.isEmpty());
    EXPECT_TRUE(drain(kdbi->getMutationsAt(t1.id, 101, os)).isEmpty());
    EXPECT_FALSE(os.hasError());
}

TEST_F(SQLiteKnownMutationsDbiTest, TracksAreFoundByChromosomeNumberOnly) {
    KnownMutationsTrack x = track(23, "X");
    KnownMutationsTrack t2 = track(2, "2");
    kdbi->addMutations(x.id, {mutation(5, "G", "A", "rsX", 0)}, os);
    kdbi->addMutations(t2.id, {mutation(5, "T", "C", "rs2", 0)}, os);

    KnownMutationsTrack found = kdbi->getTrackByChromosome(23, os);
    EXPECT_EQ(found.id, x.id);
    EXPECT_EQ(found.chromosomeNumber, 23);
    EXPECT_EQ(found.visualName, "X");
    QList<KnownMutation> onX = drain(kdbi->getMutationsAt(found.id, 5, os));
    ASSERT_EQ(onX.size(), 1);
    EXPECT_EQ(onX[0].knownId, QByteArray("rsX"));

    KnownMutationsTrack none = kdbi->getTrackByChromosome(7, os);
    EXPECT_FALSE(none.hasValidId());
    EXPECT_FALSE(os.hasError());
}

TEST_F(SQLiteKnownMutationsDbiTest, ASecondTrackOfOneChromosomeAndBadIdsAreRefused) {
    track(1, "1");
    NxOpStatusImpl dup;
    KnownMutationsTrack again;
    again.chromosomeNumber = 1;
    kdbi->createTrack(again, dup);
    EXPECT_TRUE(dup.hasError());

    NxOpStatusImpl bad;
    NxDbiIterator<KnownMutation>* it = kdbi->getMutationsAt(QByteArray("junk"), 1, bad);
    EXPECT_TRUE(bad.hasError());
    EXPECT_FALSE(it->hasNext());
    delete it;
}

}  // namespace

namespace {

// A region read gives exactly what position reads give, in the same order, and nothing of the
// positions around it or of another track.
TEST_F(SQLiteKnownMutationsDbiTest, RegionReadsAgreeWithPositionReads) {
    KnownMutationsTrack one;
    one.chromosomeNumber = 4;
    one.visualName = "chr4";
    KnownMutationsTrack other;
    other.chromosomeNumber = 5;
    other.visualName = "chr5";
    kdbi->createTrack(one, os);
    kdbi->createTrack(other, os);
    QList<KnownMutation> ms;
    for (qint64 pos : {9, 10, 10, 12, 19, 20}) {
        KnownMutation m;
        m.position = pos;
        m.refAllele = "A";
        m.obsAllele = QByteArray::number(ms.size());
        m.knownId = "rs" + QByteArray::number(ms.size());
        m.avSift = 0.5;
        m.lrt = m.phyloP = m.pp2 = m.mutationTaster = m.genomes1000 = m.extraScore1 = m.extraScore2 =
            m.gerpConserved = m.altAlleleFrequency = m.hapmap = m.gerpScore = m.extraScore3 = -1;
        ms << m;
    }
    kdbi->addMutations(one.id, ms, os);
    kdbi->addMutations(other.id, {ms[1]}, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();

    std::unique_ptr<NxDbiIterator<KnownMutation>> region(kdbi->getMutationsInRegion(one.id, NxRegion(10, 10), os));
    QList<QByteArray> fromRegion;
    while (region->hasNext()) {
        KnownMutation m = region->next();
        fromRegion << QByteArray::number(m.position) + ":" + m.obsAllele + ":" + m.knownId;
    }
    QList<QByteArray> fromPositions;
    for (qint64 pos = 10; pos < 20; ++pos) {
        std::unique_ptr<NxDbiIterator<KnownMutation>> at(kdbi->getMutationsAt(one.id, pos, os));
        while (at->hasNext()) {
            KnownMutation m = at->next();
            fromPositions << QByteArray::number(m.position) + ":" + m.obsAllele + ":" + m.knownId;
        }
    }
    EXPECT_EQ(fromRegion, QList<QByteArray>({"10:1:rs1", "10:2:rs2", "12:3:rs3", "19:4:rs4"}));
    EXPECT_EQ(fromRegion, fromPositions);
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
}

}  // namespace
