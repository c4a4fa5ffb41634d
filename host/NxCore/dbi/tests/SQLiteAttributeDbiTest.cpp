#include "DbiTestUtils.h"

#include <NxCore/attributes/NxAttributeUtils.h>
#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/NxAttributeDbi.h>

#include <NxCore/dbi/sqlite/SQLiteDbi.h>
#include <NxCore/dbi/sqlite/SQLiteUtils.h>

#include <QFile>

#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace Nx;
using namespace Nx::DbiTestUtils;

namespace {

class SQLiteAttributeDbiTest : public ::testing::Test {
protected:
    void SetUp() override {
        con.open(refOf(dir.filePath("a.s3db")), true, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
        adbi = con.dbi->getAttributeDbi();
    }

    QTemporaryDir dir;
    NxOpStatusImpl os;
    DbiConnection con;
    NxAttributeDbi* adbi = nullptr;
    // Object ids of any shape: a feature id of another database is just bytes.
    const NxDataId objA = QByteArray("feature:17");
    const NxDataId objB = QByteArray("\x00\x00\x00\x00\x00\x00\x00\x05\x00\x64", 10);
};

TEST_F(SQLiteAttributeDbiTest, EveryKindIsFoundByObjectAndName) {
    NxAttributeUtils::setIntegerAttribute(adbi, objA, "count", -7, os);
    NxAttributeUtils::setRealAttribute(adbi, objA, "score", 0.25, os);
    NxAttributeUtils::setStringAttribute(adbi, objA, "STABILITY_1D", QString::fromUtf8("δG=1.5"), os);
    NxAttributeUtils::setByteArrayAttribute(adbi, objA, "raw", QByteArray("\x00\xff", 2), os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();

    EXPECT_EQ(NxAttributeUtils::findIntegerAttribute(adbi, objA, "count", os).value, -7);
    EXPECT_DOUBLE_EQ(NxAttributeUtils::findRealAttribute(adbi, objA, "score", os).value, 0.25);
    NxStringAttribute s = NxAttributeUtils::findStringAttribute(adbi, objA, "STABILITY_1D", os);
    EXPECT_TRUE(s.hasValidId());
    EXPECT_EQ(s.value, QString::fromUtf8("δG=1.5"));
    EXPECT_EQ(s.objectId, objA);
    EXPECT_EQ(s.name, "STABILITY_1D");
    EXPECT_EQ(NxAttributeUtils::findByteArrayAttribute(adbi, objA, "raw", os).value, QByteArray("\x00\xff", 2));
    EXPECT_EQ(adbi->getObjectAttributes(objA, QString(), os).size(), 4);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
}

TEST_F(SQLiteAttributeDbiTest, AbsentAttributeIsAnEmptyRecordNotAnError) {
    NxAttributeUtils::setStringAttribute(adbi, objA, "name", "x", os);
    EXPECT_FALSE(NxAttributeUtils::findStringAttribute(adbi, objB, "name", os).hasValidId());
    EXPECT_FALSE(NxAttributeUtils::findStringAttribute(adbi, objA, "other", os).hasValidId());
    // Same name, other kind: not found as that kind.
    EXPECT_FALSE(NxAttributeUtils::findIntegerAttribute(adbi, objA, "name", os).hasValidId());
    EXPECT_FALSE(os.hasError());

    NxOpStatusImpl nullOs;
    NxAttributeUtils::findStringAttribute(nullptr, objA, "name", nullOs);
    EXPECT_TRUE(nullOs.hasError());
}

TEST_F(SQLiteAttributeDbiTest, SetReplacesAndCreateKeepsTheNewestFound) {
    NxAttributeUtils::setStringAttribute(adbi, objA, "k", "old", os);
    NxAttributeUtils::setStringAttribute(adbi, objA, "k", "new", os);
    EXPECT_EQ(adbi->getObjectAttributes(objA, "k", os).size(), 1);
    EXPECT_EQ(NxAttributeUtils::findStringAttribute(adbi, objA, "k", os).value, "new");

    NxStringAttribute extra = NxAttributeUtils::initStringAttribute(objA, "k", "newest");
    adbi->createStringAttribute(extra, os);
    EXPECT_EQ(adbi->getObjectAttributes(objA, "k", os).size(), 2);
    EXPECT_EQ(NxAttributeUtils::findStringAttribute(adbi, objA, "k", os).value, "newest");
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
}

TEST_F(SQLiteAttributeDbiTest, BatchOfStringAttributesIsStoredAndReplaced) {
    QList<NxStringAttribute> batch;
    for (int i = 0; i < 1000; ++i) {
        batch << NxAttributeUtils::initStringAttribute(SQLiteTestId(i), "RSNP", QString("answer %1").arg(i));
    }
    NxAttributeUtils::setStringAttributes(adbi, batch, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    for (const NxStringAttribute& a : batch) EXPECT_TRUE(a.hasValidId());
    EXPECT_EQ(NxAttributeUtils::findStringAttribute(adbi, SQLiteTestId(737), "RSNP", os).value, "answer 737");

    QList<NxStringAttribute> again{NxAttributeUtils::initStringAttribute(SQLiteTestId(737), "RSNP", "changed")};
    NxAttributeUtils::setStringAttributes(adbi, again, os);
    EXPECT_EQ(NxAttributeUtils::findStringAttribute(adbi, SQLiteTestId(737), "RSNP", os).value, "changed");
    EXPECT_EQ(rawSelectInt(dir.filePath("a.s3db"), "SELECT COUNT(*) FROM Attribute"), 1000);
}

TEST_F(SQLiteAttributeDbiTest, RemovedAttributesAreGone) {
    NxIntegerAttribute a = NxAttributeUtils::initIntegerAttribute(objB, "n", 1);
    adbi->createIntegerAttribute(a, os);
    adbi->removeAttributes({a.id}, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    EXPECT_FALSE(NxAttributeUtils::findIntegerAttribute(adbi, objB, "n", os).hasValidId());
    NxOpStatusImpl getOs;
    EXPECT_FALSE(adbi->getIntegerAttribute(a.id, getOs).hasValidId());
    EXPECT_TRUE(getOs.hasError());
}

TEST_F(SQLiteAttributeDbiTest, AttributeNeedsObjectAndName) {
    NxStringAttribute a = NxAttributeUtils::initStringAttribute(NxDataId(), "x", "v");
    adbi->createStringAttribute(a, os);
    EXPECT_TRUE(os.hasError());
    EXPECT_FALSE(a.hasValidId());
}

}  // namespace

namespace {

// Inside a transaction the attributes of the object asked last are kept; a write through this
// connection, or a new transaction, must never let an old answer through.
TEST_F(SQLiteAttributeDbiTest, LookupsInsideATransactionSeeEveryChange) {
    SQLiteDbi* db = static_cast<SQLiteDbi*>(con.dbi);
    ASSERT_TRUE(db->beginTransaction(os, false));
    EXPECT_FALSE(NxAttributeUtils::findStringAttribute(adbi, objA, "X", os).hasValidId());
    NxAttributeUtils::setStringAttribute(adbi, objA, "X", "1", os);
    EXPECT_EQ(NxAttributeUtils::findStringAttribute(adbi, objA, "X", os).value, "1");
    NxAttributeUtils::setStringAttribute(adbi, objA, "X", "2", os);
    EXPECT_EQ(NxAttributeUtils::findStringAttribute(adbi, objA, "X", os).value, "2");
    EXPECT_FALSE(NxAttributeUtils::findStringAttribute(adbi, objB, "X", os).hasValidId());
    db->endTransaction(os);

    // Another connection changes the value between two transactions of this one.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(dir.filePath("a.s3db")).constData(), &raw, SQLITE_OPEN_READWRITE,
                              nullptr),
              SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(raw, "UPDATE Attribute SET value = '3' WHERE name = 'X'", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(raw);
    ASSERT_TRUE(db->beginTransaction(os, false));
    EXPECT_EQ(NxAttributeUtils::findStringAttribute(adbi, objA, "X", os).value, "3");
    db->endTransaction(os);
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
}

// Variations are looked up a window of rows at a time inside a transaction: answers across
// window boundaries, for rows at the window's edges, for other objects in between and after a
// write must be the stored ones.
TEST_F(SQLiteAttributeDbiTest, VariationLookupsInsideATransactionFollowTheStoredValues) {
    auto variation = [](qint64 row) { return SQLiteUtils::toDbiId(row, NxEntityTypes::Variant); };
    auto expected = [](qint64 row, int name) { return row % (3 + name) == 0 ? QString("%1/%2").arg(row).arg(name) : QString(); };
    const qint64 rows = 10000;
    for (qint64 row = 1; row <= rows; ++row) {
        for (int name = 0; name < 2; ++name) {
            if (!expected(row, name).isEmpty()) {
                NxAttributeUtils::setStringAttribute(adbi, variation(row), QString("N%1").arg(name), expected(row, name), os);
            }
        }
    }
    // A feature whose id has the same row prefix as a variation.
    NxAttributeUtils::setStringAttribute(adbi, SQLiteUtils::toDbiId(9, NxObjectTypes::Sequence), "N0", "other", os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();

    SQLiteDbi* db = static_cast<SQLiteDbi*>(con.dbi);
    ASSERT_TRUE(db->beginTransaction(os, false));
    for (qint64 row : {qint64(1), qint64(2), qint64(4096), qint64(4097), qint64(4098), qint64(8193), qint64(9), qint64(rows),
                       qint64(5000), qint64(3), qint64(rows + 1)}) {
        for (int name = 0; name < 2; ++name) {
            EXPECT_EQ(NxAttributeUtils::findStringAttribute(adbi, variation(row), QString("N%1").arg(name), os).value,
                      expected(row, name))
                << row << " " << name;
        }
    }
    for (qint64 row = 1; row <= rows; row += 7) {
        EXPECT_EQ(NxAttributeUtils::findStringAttribute(adbi, variation(row), "N1", os).value, expected(row, 1)) << row;
    }
    EXPECT_EQ(NxAttributeUtils::findStringAttribute(adbi, SQLiteUtils::toDbiId(9, NxObjectTypes::Sequence), "N0", os).value,
              "other");
    NxAttributeUtils::setStringAttribute(adbi, variation(4098), "N0", "new", os);
    EXPECT_EQ(NxAttributeUtils::findStringAttribute(adbi, variation(4098), "N0", os).value, "new");
    db->endTransaction(os);
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
}

}  // namespace
