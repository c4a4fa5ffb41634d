#include <NxFormats/snp/SNPDatabaseUtils.h>

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/NxObjectDbi.h>
#include <NxCore/dbi/NxSequenceDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/dbi/sqlite/SQLiteDbi.h>
#include <NxCore/log/Logger.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace Nx;

namespace {

// Builds a small reference database with the given sequence names and closes it.
void makeDatabase(const QString& path, const QStringList& names) {
    NxOpStatusImpl os;
    DbiConnection con(NxDbiRef(SQLITE_DBI_ID, path), true, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    for (const QString& n : names) {
        NxSequence s;
        s.visualName = n;
        s.alphabet = "nucl-dna-default";
        con.dbi->getSequenceDbi()->createSequenceObject(s, os);
    }
    ASSERT_FALSE(os.hasError());
}

bool openFailsWithLog(const QString& path, const QString& expectedPart) {
    LogCapture log;
    SNPDatabase* db = SNPDatabaseUtils::openDatabase(path);
    bool failed = db == nullptr;
    delete db;
    return failed && log.contains("Input/Output", LogLevel_ERROR, expectedPart) && log.contains(path);
}

TEST(SNPDatabaseUtilsTest, OpensABuiltDatabaseAndHandsOutItsTables) {
    QTemporaryDir dir;
    QString path = dir.filePath("ref.s3db");
    makeDatabase(path, {"chr1"});
    SNPDatabase* db = SNPDatabaseUtils::openDatabase(path);
    ASSERT_NE(db, nullptr);
    ASSERT_NE(db->getDbi(), nullptr);
    EXPECT_NE(db->getDbi()->getSequenceDbi(), nullptr);
    EXPECT_NE(db->getDbi()->getFeatureDbi(), nullptr);
    EXPECT_NE(db->getDbi()->getKnownMutationsDbi(), nullptr);
    EXPECT_EQ(db->getDbiRef().dbiId, path);
    EXPECT_FALSE(SNPDatabaseUtils::getSequenceId("chr1", db->getDbi()->getObjectDbi()).isEmpty());
    delete db;
}

TEST(SNPDatabaseUtilsTest, RefusesMissingForeignAndOtherVersionFilesCleanly) {
    QTemporaryDir dir;
    QString missing = dir.filePath("missing.s3db");
    EXPECT_TRUE(openFailsWithLog(missing, "no such file"));
    EXPECT_FALSE(QFileInfo::exists(missing));  // never created

    QString text = dir.filePath("notes.s3db");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("chr1\t100\t200\nthis is no database, but long enough to have a header\n");
    }
    QByteArray before = [&] { QFile f(text); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    EXPECT_TRUE(openFailsWithLog(text, "not a database"));
    QFile after(text);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);

    QString future = dir.filePath("future.s3db");
    makeDatabase(future, {"1"});
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(future).constData(), &h), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(h, "PRAGMA user_version=99", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(h);
    EXPECT_TRUE(openFailsWithLog(future, "schema version 99"));

    EXPECT_TRUE(openFailsWithLog(dir.path(), "not a file"));

    QString empty = dir.filePath("empty.s3db");
    QFile(empty).open(QIODevice::WriteOnly);
    EXPECT_TRUE(openFailsWithLog(empty, "the file is empty"));
    EXPECT_EQ(QFileInfo(empty).size(), 0);  // not turned into a database
}

qint64 tablesNamed(const QString& path, const char* name) {
    sqlite3* h = nullptr;
    qint64 n = -1;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h, "SELECT COUNT(*) FROM sqlite_master WHERE name = ?1", -1, &st, nullptr);
        sqlite3_bind_text(st, 1, name, -1, SQLITE_TRANSIENT);
        if (sqlite3_step(st) == SQLITE_ROW) {
            n = sqlite3_column_int64(st, 0);
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(h);
    return n;
}

// Opening a reference only reads it, and a workflow database given as "db_path" is refused at
// once instead of answering "no gene" for every variation.
TEST(SNPDatabaseUtilsTest, OpeningNeverWritesAndRefusesAWorkflowDatabase) {
    QTemporaryDir dir;
    QString path = dir.filePath("ref.s3db");
    makeDatabase(path, {"chr1"});
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &h), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(h, "DROP TABLE DamageEffect; DROP TABLE DamageEffectMark; PRAGMA wal_checkpoint(TRUNCATE);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(h);
    ASSERT_EQ(tablesNamed(path, "DamageEffect"), 0);
    SNPDatabase* db = SNPDatabaseUtils::openDatabase(path);
    ASSERT_NE(db, nullptr);
    EXPECT_FALSE(static_cast<SQLiteDbi*>(db->getDbi())->isWritable());
    delete db;
    EXPECT_EQ(tablesNamed(path, "DamageEffect"), 0);  // a reference never gains tables

    QString session = dir.filePath("session.s3db");
    {
        NxOpStatusImpl os;
        DbiConnection con(NxDbiRef(SQLITE_DBI_ID, session), true, os);
        NxVariantTrack t;
        t.sequenceName = "chr1";
        con.dbi->getVariantDbi()->createVariantTrack(t, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    }
    EXPECT_TRUE(openFailsWithLog(session, "not a reference database"));

    // A reference without its feature tables (e.g. cut short by hand) is named as such.
    QString partial = dir.filePath("partial.s3db");
    makeDatabase(partial, {"chr1"});
    ASSERT_EQ(sqlite3_open(QFile::encodeName(partial).constData(), &h), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(h, "DROP TABLE FeatureLocation", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(h);
    EXPECT_TRUE(openFailsWithLog(partial, "FeatureLocation"));
}

TEST(SNPDatabaseUtilsTest, SequencesAreFoundWithOrWithoutTheChrPrefix) {
    QTemporaryDir dir;
    QString path = dir.filePath("ref.s3db");
    makeDatabase(path, {"chr1", "2", "chrX", "X"});
    SNPDatabase* db = SNPDatabaseUtils::openDatabase(path);
    ASSERT_NE(db, nullptr);
    NxObjectDbi* objects = db->getDbi()->getObjectDbi();
    NxOpStatusImpl os;
    NxDataId chr1 = SNPDatabaseUtils::getSequenceId("chr1", objects);
    ASSERT_FALSE(chr1.isEmpty());
    EXPECT_EQ(db->getDbi()->getSequenceDbi()->getSequenceObject(chr1, os).visualName, "chr1");
    EXPECT_EQ(SNPDatabaseUtils::getSequenceId("1", objects), chr1);
    NxDataId two = SNPDatabaseUtils::getSequenceId("chr2", objects);
    EXPECT_EQ(db->getDbi()->getSequenceDbi()->getSequenceObject(two, os).visualName, "2");
    // An exact name wins over the prefixed variant.
    NxDataId x = SNPDatabaseUtils::getSequenceId("X", objects);
    EXPECT_EQ(db->getDbi()->getSequenceDbi()->getSequenceObject(x, os).visualName, "X");
    EXPECT_TRUE(SNPDatabaseUtils::getSequenceId("3", objects).isEmpty());
    EXPECT_TRUE(SNPDatabaseUtils::getSequenceId("", objects).isEmpty());
    EXPECT_TRUE(SNPDatabaseUtils::getSequenceId("chr1", nullptr).isEmpty());
    EXPECT_FALSE(os.hasError());
    delete db;
}

}  // namespace
