#include "DbiTestUtils.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/DbiOperationsBlock.h>
#include <NxCore/dbi/sqlite/SQLiteSequenceDbi.h>

#include <gtest/gtest.h>

using namespace Nx;
using namespace Nx::DbiTestUtils;

namespace {

const int CHUNK = SQLiteSequenceDbi::CHUNK_SIZE;

// A sequence whose base at position i is known without storing it: ACGT by (i * 7 + i / 5) mod 4.
QByteArray pattern(qint64 from, qint64 length) {
    static const char bases[] = "ACGT";
    QByteArray res(static_cast<int>(length), Qt::Uninitialized);
    for (qint64 i = 0; i < length; ++i) {
        qint64 p = from + i;
        res[static_cast<int>(i)] = bases[(p * 7 + p / 5) % 4];
    }
    return res;
}

class SQLiteSequenceDbiTest : public ::testing::Test {
protected:
    void SetUp() override {
        con.open(refOf(dir.filePath("ref.s3db")), true, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
        sdbi = con.dbi->getSequenceDbi();
        ASSERT_NE(sdbi, nullptr);
    }

    // Stores `total` pattern bases in appends of the given sizes (cycled).
    NxDataId store(const QString& name, qint64 total, const QList<int>& appendSizes) {
        NxSequence seq;
        seq.visualName = name;
        seq.alphabet = "nucl-dna-default";
        sdbi->createSequenceObject(seq, os);
        qint64 done = 0;
        for (int i = 0; done < total && !os.hasError(); ++i) {
            qint64 n = qMin<qint64>(appendSizes[i % appendSizes.size()], total - done);
            sdbi->appendSequenceData(seq.id, pattern(done, n), os);
            done += n;
        }
        return seq.id;
    }

    QTemporaryDir dir;
    NxOpStatusImpl os;
    DbiConnection con;
    NxSequenceDbi* sdbi = nullptr;
};

TEST_F(SQLiteSequenceDbiTest, ReadsAcrossChunkBoundariesMatchWhatWasAppended) {
    // Appends of odd sizes leave partly filled chunks that later appends must complete.
    const qint64 total = 3 * CHUNK + 123;
    NxDataId id = store("chr1", total, {1000, CHUNK + 7, 1, 5000});
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();

    EXPECT_EQ(sdbi->getSequenceObject(id, os).length, total);
    EXPECT_EQ(sdbi->getSequenceData(id, NxRegion(0, total), os), pattern(0, total));
    for (qint64 boundary : {qint64(CHUNK), qint64(2 * CHUNK), qint64(3 * CHUNK)}) {
        EXPECT_EQ(sdbi->getSequenceData(id, NxRegion(boundary - 2, 3), os), pattern(boundary - 2, 3)) << boundary;
        EXPECT_EQ(sdbi->getSequenceData(id, NxRegion(boundary - 1, 1), os), pattern(boundary - 1, 1)) << boundary;
        EXPECT_EQ(sdbi->getSequenceData(id, NxRegion(boundary, 1), os), pattern(boundary, 1)) << boundary;
    }
    EXPECT_EQ(sdbi->getSequenceData(id, NxRegion(CHUNK - 10, CHUNK + 20), os), pattern(CHUNK - 10, CHUNK + 20));
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
}

TEST_F(SQLiteSequenceDbiTest, RegionsAreClippedToTheSequence) {
    NxDataId id = store("2", 100, {100});
    EXPECT_EQ(sdbi->getSequenceData(id, NxRegion(95, 10), os), pattern(95, 5));
    EXPECT_EQ(sdbi->getSequenceData(id, NxRegion(-3, 5), os), pattern(0, 2));
    EXPECT_TRUE(sdbi->getSequenceData(id, NxRegion(100, 5), os).isEmpty());
    EXPECT_TRUE(sdbi->getSequenceData(id, NxRegion(10, 0), os).isEmpty());
    EXPECT_EQ(sdbi->getSequenceData(id, NxRegion(0, std::numeric_limits<qint64>::max()), os), pattern(0, 100));
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
}

TEST_F(SQLiteSequenceDbiTest, BasesAreStoredUpperCaseAndObjectsKeepTheirNames) {
    NxSequence seq;
    seq.visualName = "chrM";
    seq.alphabet = "nucl-dna-default";
    sdbi->createSequenceObject(seq, os);
    sdbi->appendSequenceData(seq.id, "acgtNn", os);
    NxSequence read = sdbi->getSequenceObject(seq.id, os);
    EXPECT_EQ(read.visualName, "chrM");
    EXPECT_EQ(read.alphabet, "nucl-dna-default");
    EXPECT_EQ(sdbi->getSequenceData(seq.id, NxRegion(0, 6), os), QByteArray("ACGTNN"));
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
}

TEST_F(SQLiteSequenceDbiTest, SequencesDoNotMixAndUnknownIdsAreErrors) {
    NxDataId a = store("a", CHUNK + 10, {CHUNK + 10});
    NxDataId b = store("b", 50, {50});
    EXPECT_EQ(sdbi->getSequenceData(b, NxRegion(0, 50), os), pattern(0, 50));
    EXPECT_EQ(sdbi->getSequenceData(a, NxRegion(CHUNK, 10), os), pattern(CHUNK, 10));
    ASSERT_FALSE(os.hasError());

    NxOpStatusImpl bad;
    EXPECT_TRUE(sdbi->getSequenceData(QByteArray("not-an-id"), NxRegion(0, 5), bad).isEmpty());
    EXPECT_TRUE(bad.hasError());
    NxOpStatusImpl empty;
    sdbi->getSequenceObject(NxDataId(), empty);
    EXPECT_TRUE(empty.hasError());
}

}  // namespace

// Inside a read transaction, lengths and recent chunks are kept between reads: short reads that
// jump between sequences and over chunk boundaries still give the stored bases, and a write of
// the connection is seen by the next read.
TEST_F(SQLiteSequenceDbiTest, ReadsInsideATransactionSeeWhatIsStored) {
    const qint64 total = 6 * CHUNK + 5;
    NxDataId a = store("a", total, {CHUNK / 3});
    NxDataId b = store("b", 3 * CHUNK, {CHUNK});
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    {
        DbiOperationsBlock block(con.dbi->getDbiRef(), os, false);
        for (qint64 p = 0; p + 3 <= total; p += 997) {
            ASSERT_EQ(sdbi->getSequenceData(a, NxRegion(p, 3), os), pattern(p, 3)) << p;
            const qint64 q = (p * 5) % (3 * CHUNK - 3);
            ASSERT_EQ(sdbi->getSequenceData(b, NxRegion(q, 3), os), pattern(q, 3)) << q;
        }
        EXPECT_EQ(sdbi->getSequenceData(a, NxRegion(CHUNK - 1, 4 * CHUNK + 2), os), pattern(CHUNK - 1, 4 * CHUNK + 2));
        EXPECT_EQ(sdbi->getSequenceData(a, NxRegion(total - 2, 10), os), pattern(total - 2, 2));
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    }
    {
        DbiOperationsBlock block(con.dbi->getDbiRef(), os, true);
        EXPECT_EQ(sdbi->getSequenceData(a, NxRegion(total - 2, 10), os), pattern(total - 2, 2));
        sdbi->appendSequenceData(a, pattern(total, 7), os);
        EXPECT_EQ(sdbi->getSequenceData(a, NxRegion(total - 2, 10), os), pattern(total - 2, 9));
    }
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
}
