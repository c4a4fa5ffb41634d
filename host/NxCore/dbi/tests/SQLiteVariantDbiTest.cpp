#include "DbiTestUtils.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/NxObjectDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/dbi/sqlite/SQLiteDbi.h>
#include <NxCore/dbi/sqlite/SQLiteUtils.h>

#include <gtest/gtest.h>
#include <QHash>
#include <sqlite3.h>

#include <algorithm>
#include <limits>
#include <memory>

using namespace Nx;
using namespace Nx::DbiTestUtils;

namespace {

class SQLiteVariantDbiTest : public ::testing::Test {
protected:
    void SetUp() override {
        con.open(refOf(dir.filePath("s.s3db")), true, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
        vdbi = con.dbi->getVariantDbi();
    }

    NxVariantTrack track(const QString& chr) {
        NxVariantTrack t;
        t.visualName = chr;
        t.sequenceName = chr;
        vdbi->createVariantTrack(t, os);
        return t;
    }

    QList<NxVariant> readAll(const NxDataId& trackId, const NxRegion& region) {
        QList<NxVariant> res;
        std::unique_ptr<NxDbiIterator<NxVariant>> it(vdbi->getVariantsInRegion(trackId, region, os));
        if (!it) return res;
        while (it->hasNext()) res << it->next();
        return res;
    }

    static NxRegion whole() { return NxRegion(0, std::numeric_limits<qint64>::max()); }

    // 150 variations "v0".."v149" (groups and single rows) whose row 130 has a bad start.
    static QList<NxVariant> batchWithABadRow() {
        QList<NxVariant> vs;
        for (int i = 0; i < 150; ++i) vs << variant(i, "A", "G", QString("v%1").arg(i));
        vs[130].startPos = -1;
        return vs;
    }

    QTemporaryDir dir;
    NxOpStatusImpl os;
    DbiConnection con;
    NxVariantDbi* vdbi = nullptr;
};

TEST_F(SQLiteVariantDbiTest, TrackRecordRoundTrips) {
    NxVariantTrack t;
    t.visualName = "chrX";
    t.sequenceName = "chrX";
    t.sequence = QByteArray("\x01\x02seq", 5);
    vdbi->createVariantTrack(t, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    ASSERT_TRUE(t.hasValidId());
    NxVariantTrack back = vdbi->getVariantTrack(t.id, os);
    EXPECT_EQ(back.id, t.id);
    EXPECT_EQ(back.visualName, "chrX");
    EXPECT_EQ(back.sequenceName, "chrX");
    EXPECT_EQ(back.sequence, t.sequence);
    EXPECT_EQ(back.dbiId, dir.filePath("s.s3db"));
    EXPECT_EQ(con.dbi->getObjectDbi()->getObjectType(t.id, os), NxObjectTypes::VariantTrack);
    EXPECT_EQ(con.dbi->getObjectDbi()->getObjectsByVisualName("chrX", NxObjectTypes::VariantTrack, os), QList<NxDataId>{t.id});
}

TEST_F(SQLiteVariantDbiTest, VariantsComeOrderedByStartThenInsertion) {
    NxVariantTrack t = track("chr1");
    QList<NxVariant> vs{variant(300, "A", "G", "rs3"), variant(100, "C", "T", "first"), variant(200, "G", "A"),
                        variant(100, "C", "G", "second"), variant(100, "CA", "C", "third")};
    vdbi->addVariantsToTrack(t, vs, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    for (const NxVariant& v : vs) EXPECT_TRUE(v.hasValidId());

    QList<NxVariant> got = readAll(t.id, whole());
    ASSERT_EQ(got.size(), 5);
    QStringList order;
    for (const NxVariant& v : got) order << QString::number(v.startPos) + v.publicId;
    EXPECT_EQ(order, QStringList({"100first", "100second", "100third", "200", "300rs3"}));
    EXPECT_EQ(got[2].refData, QByteArray("CA"));
    EXPECT_EQ(got[2].obsData, QByteArray("C"));
    EXPECT_EQ(got[2].endPos, 102);
    EXPECT_EQ(got[0].id, vs[1].id);
    EXPECT_EQ(vdbi->countVariants(t.id, os), 5);
}

TEST_F(SQLiteVariantDbiTest, RegionSelectsByStartHalfOpen) {
    NxVariantTrack t = track("chr1");
    QList<NxVariant> vs{variant(9, "A", "G"), variant(10, "A", "G"), variant(19, "A", "G"), variant(20, "A", "G")};
    vdbi->addVariantsToTrack(t, vs, os);
    QList<NxVariant> got = readAll(t.id, NxRegion(10, 10));
    ASSERT_EQ(got.size(), 2);
    EXPECT_EQ(got[0].startPos, 10);
    EXPECT_EQ(got[1].startPos, 19);
    // A huge length from a non-zero start must not overflow into an empty range.
    EXPECT_EQ(readAll(t.id, NxRegion(15, std::numeric_limits<qint64>::max())).size(), 2);
}

// Reading goes by the table's own order where that is the position order and falls back on the
// position index where it is not: whatever the stored layout, every region reads exactly its
// rows, by position then id, across pages.
TEST_F(SQLiteVariantDbiTest, RegionsReadInPositionOrderWhateverTheStoredOrder) {
    quint32 seed = 7;
    auto next = [&seed]() { return seed = seed * 1103515245u + 12345u; };
    QHash<QByteArray, QList<NxVariant>> stored;  // by track id, as given ids
    auto add = [&](const NxVariantTrack& t, QList<NxVariant> vs) {
        vdbi->addVariantsToTrack(t, vs, os);
        stored[t.id] << vs;
    };
    auto sortedRun = [&](qint64 from, int n) {
        QList<NxVariant> vs;
        qint64 pos = from;
        for (int i = 0; i < n; ++i) {
            vs << variant(pos, "A", "G", QString::number(i));
            pos += (next() >> 16) % 5 == 0 ? 0 : 1 + (next() >> 16) % 4;  // runs of equal positions
        }
        return vs;
    };
    // Sorted, more than two pages.
    NxVariantTrack sorted = track("sorted");
    add(sorted, sortedRun(100, 2600));
    // Two tracks stored in turns, so their rows interleave in the table.
    NxVariantTrack a = track("a");
    NxVariantTrack b = track("b");
    for (int k = 0; k < 6; ++k) {
        add(a, sortedRun(1000 * k, 300));
        add(b, sortedRun(1000 * k, 250));
    }
    // Sorted but for a few rows stored last that belong in the middle or at the front.
    NxVariantTrack late = track("late");
    add(late, sortedRun(500, 2100));
    add(late, {variant(501, "C", "T", "late1"), variant(2000, "C", "T", "late2"), variant(0, "C", "T", "late3")});
    // No order at all.
    NxVariantTrack shuffled = track("shuffled");
    QList<NxVariant> random;
    for (int i = 0; i < 1500; ++i) random << variant((next() >> 8) % 3000, "G", "C");
    add(shuffled, random);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    // A hole in the row ids of a sorted track.
    const qint64 gone = SQLiteUtils::toDbRef(stored[sorted.id][1500].id);
    ASSERT_EQ(sqlite3_exec(static_cast<SQLiteDbi*>(con.dbi)->getHandle(), QString("DELETE FROM Variant WHERE id = %1").arg(gone).toUtf8().constData(),
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    stored[sorted.id].removeAt(1500);

    for (const NxVariantTrack& t : {sorted, a, b, late, shuffled}) {
        QList<NxVariant> all = stored[t.id];
        std::stable_sort(all.begin(), all.end(), [](const NxVariant& x, const NxVariant& y) {
            return x.startPos != y.startPos ? x.startPos < y.startPos : SQLiteUtils::toDbRef(x.id) < SQLiteUtils::toDbRef(y.id);
        });
        for (const NxRegion& region : {whole(), NxRegion(0, 600), NxRegion(600, 1800), NxRegion(2400, 1),
                                       NxRegion(1500, std::numeric_limits<qint64>::max() - 1500)}) {
            SCOPED_TRACE(QString("%1 %2+%3").arg(t.visualName).arg(region.startPos).arg(region.length).toStdString());
            QList<QByteArray> expected;
            for (const NxVariant& v : all) {
                if (v.startPos >= region.startPos && v.startPos - region.startPos < region.length) {
                    expected << v.id;
                }
            }
            QList<QByteArray> got;
            for (const NxVariant& v : readAll(t.id, region)) got << v.id;
            ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
            EXPECT_EQ(got, expected);
        }
    }
}

// Parts of a track: runs of equal positions (some longer than a part) and lone positions, for
// part sizes below, at and above those runs. Each part but the last starts at the first row at
// least rowsPerPart rows after the previous start whose position lies above that part's first
// position; the parts cover every variation once, in order, from 0.
TEST_F(SQLiteVariantDbiTest, SplitTrackCutsEveryRowsPerPartRowsBetweenPositions) {
    NxVariantTrack t = track("chr1");
    NxVariantTrack other = track("chr2");
    QList<NxVariant> vs;
    quint32 seed = 7;
    qint64 pos = 5;
    for (int i = 0; i < 600; ++i) {
        seed = seed * 1103515245u + 12345u;
        const int run = (seed >> 16) % 9 == 0 ? int((seed >> 8) % 40) + 2 : 1;
        for (int k = 0; k < run; ++k) {
            vs << variant(pos, "A", "G");
        }
        pos += 1 + (seed >> 20) % 3;
    }
    QList<NxVariant> others{variant(0, "A", "G"), variant(1000000, "A", "G")};
    vdbi->addVariantsToTrack(t, vs, os);
    vdbi->addVariantsToTrack(other, others, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    QList<qint64> starts;  // in index order
    for (const NxVariant& v : readAll(t.id, whole())) starts << v.startPos;

    const qint64 n = starts.size();
    for (qint64 perPart : QList<qint64>{1, 2, 3, 17, 40, 41, 100, 999, n, n + 1}) {
        SCOPED_TRACE(perPart);
        QList<NxRegion> expected;
        qint64 regionStart = 0;
        qint64 first = starts[0];
        qint64 due = perPart;
        for (int r = 1; r < starts.size(); ++r) {
            if (r >= due && starts[r] > first) {
                expected << NxRegion(regionStart, starts[r] - regionStart);
                regionStart = first = starts[r];
                due = r + perPart;
            }
        }
        expected << NxRegion(regionStart, std::numeric_limits<qint64>::max() - regionStart);

        const QList<NxRegion> parts = vdbi->splitTrack(t.id, perPart, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
        ASSERT_EQ(parts.size(), expected.size());
        qint64 covered = 0;
        for (int i = 0; i < parts.size(); ++i) {
            EXPECT_EQ(parts[i].startPos, expected[i].startPos) << "part " << i;
            EXPECT_EQ(parts[i].length, expected[i].length) << "part " << i;
            const qint64 rows = readAll(t.id, parts[i]).size();
            EXPECT_GT(rows, 0) << "part " << i;
            covered += rows;
        }
        EXPECT_EQ(parts.first().startPos, 0);
        EXPECT_EQ(covered, starts.size());
    }
    const QList<NxRegion> empty = vdbi->splitTrack(track("chr3").id, 10, os);
    ASSERT_EQ(empty.size(), 1);
    EXPECT_EQ(empty[0].startPos, 0);
}

TEST_F(SQLiteVariantDbiTest, TracksAreSeparate) {
    NxVariantTrack t1 = track("chr1");
    NxVariantTrack t2 = track("chr2");
    QList<NxVariant> a{variant(1, "A", "G")};
    QList<NxVariant> b{variant(2, "C", "T"), variant(3, "G", "A")};
    vdbi->addVariantsToTrack(t1, a, os);
    vdbi->addVariantsToTrack(t2, b, os);
    EXPECT_EQ(readAll(t1.id, whole()).size(), 1);
    EXPECT_EQ(readAll(t2.id, whole()).size(), 2);
    EXPECT_EQ(vdbi->getVariantTracks(os), QList<NxDataId>({t1.id, t2.id}));
    EXPECT_EQ(vdbi->getVariantTrackOfVariant(b[1].id, os).id, t2.id);
    EXPECT_EQ(vdbi->getVariantTrackOfVariant(a[0].id, os).sequenceName, "chr1");
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
}

// Counting several tracks at once: all of the table's tracks, some of them, one twice, an
// empty one; a bad id is an error, not a count.
TEST_F(SQLiteVariantDbiTest, CountsOfSeveralTracksAddUp) {
    NxVariantTrack t1 = track("chr1");
    NxVariantTrack t2 = track("chr2");
    NxVariantTrack empty = track("chr3");
    QList<NxVariant> a{variant(1, "A", "G"), variant(1, "A", "C"), variant(9, "A", "T")};
    QList<NxVariant> b{variant(2, "C", "T"), variant(3, "G", "A")};
    vdbi->addVariantsToTrack(t1, a, os);
    vdbi->addVariantsToTrack(t2, b, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    EXPECT_EQ(vdbi->countVariants(QList<NxDataId>{t1.id, t2.id, empty.id}, os), 5);
    EXPECT_EQ(vdbi->countVariants(QList<NxDataId>{t2.id, empty.id}, os), 2);
    EXPECT_EQ(vdbi->countVariants(QList<NxDataId>{t1.id, t1.id, t2.id}, os), 8);
    EXPECT_EQ(vdbi->countVariants(QList<NxDataId>{}, os), 0);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    EXPECT_EQ(vdbi->countVariants(QList<NxDataId>{t1.id, a[0].id}, os), -1);
    EXPECT_TRUE(os.hasError());
}

TEST_F(SQLiteVariantDbiTest, IteratorPeekDoesNotAdvance) {
    NxVariantTrack t = track("chr1");
    QList<NxVariant> vs{variant(1, "A", "G"), variant(2, "A", "G")};
    vdbi->addVariantsToTrack(t, vs, os);
    std::unique_ptr<NxDbiIterator<NxVariant>> it(vdbi->getVariantsInRegion(t.id, whole(), os));
    EXPECT_EQ(it->peek().startPos, 1);
    EXPECT_EQ(it->peek().startPos, 1);
    EXPECT_EQ(it->next().startPos, 1);
    EXPECT_EQ(it->next().startPos, 2);
    EXPECT_FALSE(it->hasNext());
    EXPECT_FALSE(it->next().hasValidId());
}

TEST_F(SQLiteVariantDbiTest, IteratorMayOutliveItsConnection) {
    NxVariantTrack t = track("chr1");
    QList<NxVariant> vs{variant(1, "A", "G")};
    vdbi->addVariantsToTrack(t, vs, os);
    NxDbiIterator<NxVariant>* it = vdbi->getVariantsInRegion(t.id, whole(), os);
    ASSERT_TRUE(it->hasNext());
    con.close(os);
    delete it;  // must neither crash nor leak the handle's statement into a closed database
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
}

// A page that cannot be read must not look like the end of the track.
TEST_F(SQLiteVariantDbiTest, IteratorReportsAFailedPageToTheCaller) {
    NxVariantTrack t = track("chr1");
    QList<NxVariant> vs;
    for (int i = 0; i < 1500; ++i) {
        vs << variant(i, "A", "G");
    }
    vdbi->addVariantsToTrack(t, vs, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    NxOpStatusImpl iterOs;
    std::unique_ptr<NxDbiIterator<NxVariant>> it(vdbi->getVariantsInRegion(t.id, whole(), iterOs));
    int read = 0;
    while (read < 1000 && it->hasNext()) {
        it->next();
        ++read;
    }
    ASSERT_EQ(read, 1000);
    ASSERT_EQ(sqlite3_exec(static_cast<SQLiteDbi*>(con.dbi)->getHandle(), "DROP TABLE Variant", nullptr, nullptr,
                           nullptr),
              SQLITE_OK);
    while (it->hasNext()) {
        it->next();
        ++read;
    }
    EXPECT_LT(read, 1500);
    ASSERT_TRUE(iterOs.hasError());
    EXPECT_TRUE(iterOs.getError().contains(dir.filePath("s.s3db"))) << iterOs.getError().toStdString();
}

TEST_F(SQLiteVariantDbiTest, PublicIdIsReplacedOnlyInItsTrack) {
    NxVariantTrack t1 = track("chr1");
    NxVariantTrack t2 = track("chr2");
    QList<NxVariant> vs{variant(5, "A", "G")};
    vdbi->addVariantsToTrack(t1, vs, os);
    vdbi->setVariantPublicId(t1.id, vs[0].id, "rs42", os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    EXPECT_EQ(vdbi->getVariant(vs[0].id, os).publicId, "rs42");

    NxOpStatusImpl wrongTrack;
    vdbi->setVariantPublicId(t2.id, vs[0].id, "rs1", wrongTrack);
    EXPECT_TRUE(wrongTrack.hasError());
    EXPECT_EQ(vdbi->getVariant(vs[0].id, os).publicId, "rs42");
}

TEST_F(SQLiteVariantDbiTest, IdsOfAnotherKindAreRefused) {
    NxVariantTrack t = track("chr1");
    QList<NxVariant> vs{variant(5, "A", "G")};
    vdbi->addVariantsToTrack(t, vs, os);
    NxOpStatusImpl a;
    vdbi->countVariants(vs[0].id, a);  // a variation id where a track id belongs
    EXPECT_TRUE(a.hasError());
    NxOpStatusImpl b;
    vdbi->getVariant(t.id, b);
    EXPECT_TRUE(b.hasError());
    NxOpStatusImpl c;
    EXPECT_EQ(vdbi->getVariantsInRegion("garbage", whole(), c), nullptr);
    EXPECT_TRUE(c.hasError());
}

TEST_F(SQLiteVariantDbiTest, InvalidRegionIsRefusedAndEarlierRowsOfTheBatchStay) {
    NxVariantTrack t = track("chr1");
    NxVariant bad = variant(50, "A", "G");
    bad.endPos = 10;
    QList<NxVariant> vs{variant(5, "A", "G"), bad};
    vdbi->addVariantsToTrack(t, vs, os);
    EXPECT_TRUE(os.getError().contains("start 50")) << os.getError().toStdString();
    EXPECT_EQ(rawSelectInt(dir.filePath("s.s3db"), "SELECT COUNT(*) FROM Variant"), 1);
}

TEST_F(SQLiteVariantDbiTest, LargeBatchWithAnInvalidRowKeepsEveryRowBeforeIt) {
    NxVariantTrack t = track("chr1");
    QList<NxVariant> vs = batchWithABadRow();
    vdbi->addVariantsToTrack(t, vs, os);
    EXPECT_TRUE(os.hasError());
    EXPECT_EQ(rawSelectInt(dir.filePath("s.s3db"), "SELECT COUNT(*) FROM Variant"), 130);
    for (int i = 0; i < 150; ++i) EXPECT_EQ(vs[i].hasValidId(), i < 130) << i;
    NxOpStatusImpl readOs;
    EXPECT_EQ(vdbi->getVariant(vs[129].id, readOs).publicId, "v129");
    // The next batch continues after the stored rows, without clashing ids.
    QList<NxVariant> more{variant(500, "C", "T")};
    vdbi->addVariantsToTrack(t, more, readOs);
    ASSERT_FALSE(readOs.hasError()) << readOs.getError().toStdString();
    EXPECT_EQ(vdbi->countVariants(t.id, readOs), 131);
}

// An import appends without ids; the rows it stored before a bad one still keep their ids from
// being given again, also after they are removed.
TEST_F(SQLiteVariantDbiTest, AppendedRowsMakeNoIdsButReserveTheirs) {
    NxVariantTrack t = track("chr1");
    NxVariantTrack t2 = track("chr2");
    QList<NxVariant> vs = batchWithABadRow();
    vdbi->appendVariants(t, vs, os);
    EXPECT_TRUE(os.hasError());
    EXPECT_EQ(rawSelectInt(dir.filePath("s.s3db"), "SELECT COUNT(*) FROM Variant"), 130);
    EXPECT_EQ(rawSelectInt(dir.filePath("s.s3db"), "SELECT MAX(id) FROM Variant WHERE publicId = 'v129'"), 130);
    EXPECT_TRUE(std::none_of(vs.begin(), vs.end(), [](const NxVariant& v) { return v.hasValidId(); }));
    NxOpStatusImpl laterOs;
    con.dbi->getObjectDbi()->removeObject(t.id, laterOs);
    QList<NxVariant> more{variant(1, "C", "T")};
    vdbi->addVariantsToTrack(t2, more, laterOs);
    ASSERT_FALSE(laterOs.hasError()) << laterOs.getError().toStdString();
    EXPECT_EQ(SQLiteUtils::toDbRef(more[0].id), 131);
}

TEST_F(SQLiteVariantDbiTest, RemovingATrackRemovesItsVariations) {
    NxVariantTrack t = track("chr1");
    QList<NxVariant> vs{variant(5, "A", "G"), variant(6, "A", "G")};
    vdbi->addVariantsToTrack(t, vs, os);
    con.dbi->getObjectDbi()->removeObject(t.id, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    EXPECT_TRUE(vdbi->getVariantTracks(os).isEmpty());
    EXPECT_EQ(rawSelectInt(dir.filePath("s.s3db"), "SELECT COUNT(*) FROM Variant"), 0);
    // A new variation never takes the id of a removed one.
    NxVariantTrack t2 = track("chr2");
    QList<NxVariant> more{variant(1, "C", "T")};
    vdbi->addVariantsToTrack(t2, more, os);
    EXPECT_NE(more[0].id, vs[0].id);
    EXPECT_NE(more[0].id, vs[1].id);
}

// Ids handed back are those of the stored rows, consecutive per batch, whether SQLite picks them
// (appending) or the table does (above ids a removal left behind).
TEST_F(SQLiteVariantDbiTest, IdsHandedBackAreTheStoredRowsAndNeverReused) {
    auto batch = [&](const NxVariantTrack& t, int n, int from) {
        QList<NxVariant> vs;
        for (int i = 0; i < n; ++i) vs << variant(from + i, "A", "G", QString("v%1").arg(from + i));
        vdbi->addVariantsToTrack(t, vs, os);
        EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(vdbi->getVariant(vs[i].id, os).publicId, QString("v%1").arg(from + i));
            if (i > 0) {
                EXPECT_EQ(SQLiteUtils::toDbRef(vs[i].id), SQLiteUtils::toDbRef(vs[i - 1].id) + 1);
            }
        }
        return vs;
    };
    NxVariantTrack first = track("chr1");
    QList<NxVariant> a = batch(first, 150, 0);  // groups and single rows
    EXPECT_EQ(SQLiteUtils::toDbRef(a[0].id), 1);
    NxVariantTrack second = track("chr2");
    QList<NxVariant> b = batch(second, 70, 1000);
    EXPECT_EQ(SQLiteUtils::toDbRef(b[0].id), 151);
    con.dbi->getObjectDbi()->removeObject(second.id, os);
    QList<NxVariant> c = batch(first, 65, 2000);
    EXPECT_EQ(SQLiteUtils::toDbRef(c[0].id), 221);
    QList<NxVariant> d = batch(first, 3, 3000);
    EXPECT_EQ(SQLiteUtils::toDbRef(d[0].id), 286);
    EXPECT_EQ(vdbi->countVariants(first.id, os), 218);
}

}  // namespace

namespace {

// Inside a transaction the tracks of the variations are kept a window at a time: answers must
// follow the data for several tracks, for tracks added in the same transaction and for ids that
// do not exist.
TEST_F(SQLiteVariantDbiTest, TrackOfVariationInsideATransaction) {
    NxVariantTrack a = track("chrA");
    NxVariantTrack b = track("chrB");
    QList<NxVariant> va, vb;
    for (int i = 0; i < 5; ++i) {
        NxVariant v;
        v.startPos = i;
        v.endPos = i + 1;
        v.refData = "A";
        v.obsData = "C";
        va << v;
        vb << v;
    }
    vdbi->addVariantsToTrack(a, va, os);
    vdbi->addVariantsToTrack(b, vb, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    SQLiteDbi* db = static_cast<SQLiteDbi*>(con.dbi);
    ASSERT_TRUE(db->beginTransaction(os, false));
    EXPECT_EQ(vdbi->getVariantTrackOfVariant(va[4].id, os).sequenceName, "chrA");
    EXPECT_EQ(vdbi->getVariantTrackOfVariant(vb[0].id, os).sequenceName, "chrB");
    EXPECT_EQ(vdbi->getVariantTrackOfVariant(va[0].id, os).id, a.id);
    NxVariantTrack c = track("chrC");
    QList<NxVariant> vc = va.mid(0, 1);
    vdbi->addVariantsToTrack(c, vc, os);
    EXPECT_EQ(vdbi->getVariantTrackOfVariant(vc[0].id, os).sequenceName, "chrC");
    NxOpStatusImpl missing;
    vdbi->getVariantTrackOfVariant(SQLiteUtils::toDbiId(99999, NxEntityTypes::Variant), missing);
    EXPECT_TRUE(missing.hasError());
    db->endTransaction(os);
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
}

}  // namespace
