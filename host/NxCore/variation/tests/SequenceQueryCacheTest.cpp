#include "RefDbTestFixture.h"

#include <NxCore/dbi/sqlite/SQLiteSequenceDbi.h>
#include <NxCore/variation/SequenceQueryCache.h>

using namespace Nx;

namespace {

QByteArray bases(int n, int seed) {
    static const char acgt[] = "ACGT";
    QByteArray res(n, Qt::Uninitialized);
    for (int i = 0; i < n; ++i) {
        res[i] = acgt[(i * 13 + seed + i / 3) % 4];
    }
    return res;
}

class SequenceQueryCacheTest : public RefDbTestFixture {};

TEST_F(SequenceQueryCacheTest, CodonReadsMatchTheSequenceAcrossWindowsAndChunks) {
    const int n = 3 * SequenceQueryCache::WINDOW_SIZE + 77;
    QByteArray seq = bases(n, 1);
    NxDataId id = addSequence("chr1", seq.toLower());
    SequenceQueryCache cache(nullptr, NxDataId());
    cache.setSequenceDbi(sequenceDbi);
    cache.setSequenceId(id);
    EXPECT_EQ(cache.getSequenceId(), id);
    for (int pos = 0; pos < n; pos += 997) {
        ASSERT_EQ(cache.getSequence(NxRegion(pos, 3), os), seq.mid(pos, 3)) << pos;
    }
    // Backwards, at window and chunk edges, longer than a window, clipped at the end.
    for (qint64 pos : {qint64(SequenceQueryCache::WINDOW_SIZE - 1), qint64(SQLiteSequenceDbi::CHUNK_SIZE - 2), qint64(5)}) {
        EXPECT_EQ(cache.getSequence(NxRegion(pos, 3), os), seq.mid(static_cast<int>(pos), 3)) << pos;
    }
    EXPECT_EQ(cache.getSequence(NxRegion(10, n), os), seq.mid(10));
    EXPECT_EQ(cache.getSequence(NxRegion(n - 2, 3), os), seq.mid(n - 2));
    EXPECT_TRUE(cache.getSequence(NxRegion(n, 3), os).isEmpty());
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
}

TEST_F(SequenceQueryCacheTest, ChangingTheSequenceDropsTheWindow) {
    NxDataId a = addSequence("a", bases(1000, 0));
    NxDataId b = addSequence("b", bases(1000, 2));
    SequenceQueryCache cache(sequenceDbi, a);
    EXPECT_EQ(cache.getSequence(NxRegion(100, 3), os), bases(1000, 0).mid(100, 3));
    cache.setSequenceId(b);
    EXPECT_EQ(cache.getSequence(NxRegion(100, 3), os), bases(1000, 2).mid(100, 3));
    cache.clear();
    EXPECT_EQ(cache.getSequence(NxRegion(100, 3), os), bases(1000, 2).mid(100, 3));
    EXPECT_FALSE(os.hasError());
}

TEST_F(SequenceQueryCacheTest, MissingTableOrSequenceIsAnError) {
    SequenceQueryCache none;
    NxOpStatusImpl noTable;
    EXPECT_TRUE(none.getSequence(NxRegion(0, 3), noTable).isEmpty());
    EXPECT_TRUE(noTable.hasError());

    SequenceQueryCache noId(sequenceDbi);
    NxOpStatusImpl noSeq;
    EXPECT_TRUE(noId.getSequence(NxRegion(0, 3), noSeq).isEmpty());
    EXPECT_TRUE(noSeq.hasError());
}

}  // namespace
