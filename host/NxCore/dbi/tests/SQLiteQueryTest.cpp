#include "DbiTestUtils.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/sqlite/SQLiteDbi.h>
#include <NxCore/dbi/sqlite/SQLiteQuery.h>
#include <NxCore/dbi/sqlite/SQLiteTransaction.h>
#include <NxCore/dbi/sqlite/SQLiteUtils.h>

#include <gtest/gtest.h>

using namespace Nx;
using namespace Nx::DbiTestUtils;

namespace {

TEST(SQLiteUtilsTest, IdsKeepRowAndTypeAndSortLikeRows) {
    NxDataId a = SQLiteUtils::toDbiId(5, NxEntityTypes::Variant);
    NxDataId b = SQLiteUtils::toDbiId(300, NxEntityTypes::Variant);
    NxDataId big = SQLiteUtils::toDbiId(Q_INT64_C(0x123456789A), NxObjectTypes::VariantTrack);
    EXPECT_EQ(a.size(), SQLiteUtils::ID_SIZE);
    EXPECT_EQ(SQLiteUtils::toDbRef(a), 5);
    EXPECT_EQ(SQLiteUtils::toDbRef(big), Q_INT64_C(0x123456789A));
    EXPECT_EQ(SQLiteUtils::toType(big), NxObjectTypes::VariantTrack);
    EXPECT_LT(a, b);  // byte order follows row order
    EXPECT_NE(SQLiteUtils::toDbiId(5, NxEntityTypes::Variant), SQLiteUtils::toDbiId(5, NxEntityTypes::StringAttribute));
}

TEST(SQLiteUtilsTest, MalformedOrForeignIdsAreRefused) {
    EXPECT_EQ(SQLiteUtils::toDbRef(NxDataId("short")), -1);
    EXPECT_EQ(SQLiteUtils::toType(NxDataId()), NxObjectTypes::Unknown);
    NxOpStatusImpl os;
    EXPECT_EQ(SQLiteUtils::toDbRef(SQLiteUtils::toDbiId(7, NxEntityTypes::Variant), NxObjectTypes::VariantTrack, os), -1);
    EXPECT_TRUE(os.getError().contains("expected type 5")) << os.getError().toStdString();
}

class SQLiteQueryTest : public ::testing::Test {
protected:
    void SetUp() override {
        con.open(refOf(dir.filePath("q.s3db")), true, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
        db = static_cast<SQLiteDbi*>(con.dbi);
        SQLiteQuery::exec("CREATE TABLE T(k INTEGER PRIMARY KEY, b BLOB, s TEXT)", db, os);
    }

    QTemporaryDir dir;
    NxOpStatusImpl os;
    DbiConnection con;
    SQLiteDbi* db = nullptr;
};

TEST_F(SQLiteQueryTest, ValuesRoundTripAndEmptyBlobIsNotNull) {
    {
        SQLiteQuery q("INSERT INTO T(b, s) VALUES(?1, ?2)", db, os);
        q.bindBlob(1, QByteArray());
        q.bindString(2, QString::fromUtf8("ü"));
        EXPECT_EQ(q.insert(), 1);
        q.reset();
        q.bindBlob(1, QByteArray("\x00x", 2));
        q.bindNull(2);
        EXPECT_EQ(q.insert(), 2);
    }
    SQLiteQuery r("SELECT b, s, b IS NULL FROM T ORDER BY k", db, os);
    ASSERT_TRUE(r.step());
    EXPECT_EQ(r.getInt64(2), 0);
    EXPECT_EQ(r.getString(1), QString::fromUtf8("ü"));
    ASSERT_TRUE(r.step());
    EXPECT_EQ(r.getBlob(0), QByteArray("\x00x", 2));
    EXPECT_TRUE(r.isNull(1));
    EXPECT_FALSE(r.step());
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
}

TEST_F(SQLiteQueryTest, ErrorsNameTheFileAndTheStatementAndStopLaterCalls) {
    SQLiteQuery q("SELECT nothing FROM Missing", db, os);
    EXPECT_FALSE(q.isValid());
    EXPECT_TRUE(os.getError().contains(dir.filePath("q.s3db")));
    EXPECT_TRUE(os.getError().contains("Missing")) << os.getError().toStdString();
    q.bindInt64(1, 5);  // no crash on a failed query
    EXPECT_FALSE(q.step());
    EXPECT_EQ(q.execute(), -1);

    NxOpStatusImpl dupOs;
    SQLiteQuery ins("INSERT INTO T(k) VALUES(?1)", db, dupOs);
    ins.bindInt64(1, 9);
    ins.execute();
    ins.reset();
    ins.bindInt64(1, 9);
    EXPECT_EQ(ins.execute(), -1);
    EXPECT_TRUE(dupOs.getError().contains("UNIQUE")) << dupOs.getError().toStdString();
}

TEST_F(SQLiteQueryTest, TransactionsNestAndCommitOnce) {
    {
        SQLiteTransaction outer(db, os);
        {
            SQLiteTransaction inner(db, os);
            SQLiteQuery::exec("INSERT INTO T(k) VALUES(1)", db, os);
            EXPECT_EQ(db->getTransactionDepth(), 2);
        }
        EXPECT_EQ(rawSelectInt(dir.filePath("q.s3db"), "SELECT COUNT(*) FROM T"), 0);
    }
    EXPECT_EQ(db->getTransactionDepth(), 0);
    EXPECT_EQ(rawSelectInt(dir.filePath("q.s3db"), "SELECT COUNT(*) FROM T"), 1);
}

TEST_F(SQLiteQueryTest, SameStatementMayBeUsedNested) {
    SQLiteQuery::exec("INSERT INTO T(k) VALUES(1); INSERT INTO T(k) VALUES(2);", db, os);
    SQLiteQuery outer("SELECT k FROM T ORDER BY k", db, os);
    QList<qint64> seen;
    while (outer.step()) {
        // The cache must hand out a second statement, not reset the one being stepped.
        SQLiteQuery inner("SELECT k FROM T ORDER BY k", db, os);
        EXPECT_TRUE(inner.step());
        seen << outer.getInt64(0);
    }
    EXPECT_EQ(seen, QList<qint64>({1, 2}));
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
}

}  // namespace

namespace {

// Constant SQL is cached by the address of its text: a buffer that holds other SQL at the same
// address later must get a statement of its own text, and two live queries of one text must not
// share a statement.
TEST_F(SQLiteQueryTest, StatementsOfConstantTextFollowTheTextNotOnlyItsAddress) {
    SQLiteQuery::exec("INSERT INTO T(s) VALUES('a'); INSERT INTO T(s) VALUES('b')", db, os);
    char buffer[64];
    qstrcpy(buffer, "SELECT COUNT(*) FROM T");
    {
        SQLiteQuery q(static_cast<const char*>(buffer), db, os);
        EXPECT_EQ(q.selectInt64(-1), 2);
    }
    qstrcpy(buffer, "SELECT MAX(k) + 40 FROM T");
    {
        SQLiteQuery q(static_cast<const char*>(buffer), db, os);
        EXPECT_EQ(q.selectInt64(-1), 42);
    }
    const char* const sql = "SELECT s FROM T ORDER BY k";
    SQLiteQuery outer(sql, db, os);
    ASSERT_TRUE(outer.step());
    {
        SQLiteQuery inner(sql, db, os);  // while the outer one still holds its statement
        ASSERT_TRUE(inner.step());
        ASSERT_TRUE(inner.step());
        EXPECT_EQ(inner.getString(0), "b");
    }
    EXPECT_EQ(outer.getString(0), "a");
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();

    SQLiteQuery bad("SELECT nothing FROM nowhere", db, os);
    EXPECT_TRUE(os.getError().contains("SELECT nothing FROM nowhere")) << os.getError().toStdString();
}

}  // namespace
