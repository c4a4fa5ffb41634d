#include "DbiTestUtils.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/DbiConnectionPool.h>
#include <NxCore/dbi/DbiOperationsBlock.h>
#include <NxCore/dbi/NxObjectDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/dbi/sqlite/SQLiteDbi.h>
#include <NxCore/dbi/sqlite/SQLiteQuery.h>

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using namespace Nx;
using namespace Nx::DbiTestUtils;

namespace {

class DbiConnectionTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name = "session.s3db") const { return dir.filePath(name); }

    NxVariantTrack makeTrack(NxDbi* dbi, const QString& chr, NxOpStatus& os) {
        NxVariantTrack t;
        t.visualName = chr;
        t.sequenceName = chr;
        dbi->getVariantDbi()->createVariantTrack(t, os);
        return t;
    }
};

TEST_F(DbiConnectionTest, MissingFileIsCreatedWithSchemaVersion) {
    NxOpStatusImpl os;
    {
        DbiConnection con(refOf(path()), os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
        ASSERT_TRUE(con.isOpen());
        EXPECT_EQ(con.dbi->getDbiRef(), refOf(path()));
        EXPECT_NE(con.dbi->getObjectDbi(), nullptr);
        EXPECT_NE(con.dbi->getVariantDbi(), nullptr);
        EXPECT_NE(con.dbi->getAttributeDbi(), nullptr);
    }
    EXPECT_TRUE(QFileInfo::exists(path()));
    EXPECT_EQ(rawSelectInt(path(), "PRAGMA user_version"), SQLiteDbi::SCHEMA_VERSION);
    EXPECT_EQ(rawSelectInt(path(), "PRAGMA application_id"), SQLiteDbi::APPLICATION_ID);
    EXPECT_EQ(DbiConnectionPool::openDatabaseCount(), 0);
}

TEST_F(DbiConnectionTest, OpenWithoutCreateFailsForMissingFile) {
    NxOpStatusImpl os;
    DbiConnection con(refOf(path()), false, os);
    EXPECT_TRUE(os.hasError());
    EXPECT_TRUE(os.getError().contains(path())) << os.getError().toStdString();
    EXPECT_FALSE(con.isOpen());
    EXPECT_FALSE(QFileInfo::exists(path()));
}

TEST_F(DbiConnectionTest, UnknownFactoryAndMissingFolderAreErrors) {
    NxOpStatusImpl os1;
    DbiConnection c1(NxDbiRef("mysql", path()), os1);
    EXPECT_TRUE(os1.getError().contains("mysql"));
    NxOpStatusImpl os2;
    DbiConnection c2(refOf(dir.filePath("no/such/folder/x.s3db")), os2);
    EXPECT_TRUE(os2.hasError());
    EXPECT_FALSE(c1.isOpen() || c2.isOpen());
}

TEST_F(DbiConnectionTest, TextFileIsRefusedAndLeftUnchanged) {
    QFile f(path("notes.s3db"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#CHROM\tPOS\nchr1\t5\n");
    f.close();
    QByteArray before = fileBytes(path("notes.s3db"));
    NxOpStatusImpl os;
    DbiConnection con(refOf(path("notes.s3db")), os);
    EXPECT_TRUE(os.hasError());
    EXPECT_TRUE(os.getError().contains(path("notes.s3db"))) << os.getError().toStdString();
    EXPECT_TRUE(os.getError().contains("not a database")) << os.getError().toStdString();
    EXPECT_FALSE(con.isOpen());
    EXPECT_EQ(fileBytes(path("notes.s3db")), before);
    EXPECT_FALSE(QFileInfo::exists(path("notes.s3db") + "-wal"));
}

TEST_F(DbiConnectionTest, OtherSchemaVersionIsRefusedAndLeftUnchanged) {
    rawExec(path(), QString("PRAGMA application_id=%1; PRAGMA user_version=7; CREATE TABLE Object(id INTEGER);")
                        .arg(SQLiteDbi::APPLICATION_ID));
    QByteArray before = fileBytes(path());
    ASSERT_FALSE(before.isEmpty());
    NxOpStatusImpl os;
    DbiConnection con(refOf(path()), os);
    EXPECT_TRUE(os.hasError());
    EXPECT_TRUE(os.getError().contains(path()));
    EXPECT_TRUE(os.getError().contains("version 7")) << os.getError().toStdString();
    EXPECT_FALSE(con.isOpen());
    EXPECT_EQ(fileBytes(path()), before);
}

TEST_F(DbiConnectionTest, SqliteFileOfAnotherProgramIsRefused) {
    rawExec(path(), "CREATE TABLE songs(title TEXT); INSERT INTO songs VALUES('x');");
    QByteArray before = fileBytes(path());
    NxOpStatusImpl os;
    DbiConnection con(refOf(path()), os);
    EXPECT_TRUE(os.hasError());
    EXPECT_TRUE(os.getError().contains(path()));
    EXPECT_EQ(fileBytes(path()), before);
    EXPECT_EQ(rawSelectInt(path(), "SELECT COUNT(*) FROM sqlite_master WHERE name = 'Variant'"), 0);
}

TEST_F(DbiConnectionTest, EmptyFileBecomesANewDatabase) {
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    NxOpStatusImpl os;
    DbiConnection con(refOf(path()), false, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    EXPECT_TRUE(con.isOpen());
}

TEST_F(DbiConnectionTest, NewFileUsesWalAndAnExistingFileKeepsItsJournalMode) {
    NxOpStatusImpl os;
    {
        DbiConnection con(refOf(path()), os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    }
    // Header bytes 18 and 19 are 2 in WAL mode, 1 with a rollback journal.
    EXPECT_EQ(fileBytes(path()).at(18), 2);
    rawExec(path(), "PRAGMA journal_mode=DELETE");
    ASSERT_EQ(fileBytes(path()).at(18), 1);
    {
        DbiConnection con(refOf(path()), os);
        NxVariantTrack t = makeTrack(con.dbi, "chr1", os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    }
    EXPECT_EQ(fileBytes(path()).at(18), 1);
    EXPECT_EQ(rawSelectInt(path(), "SELECT COUNT(*) FROM VariantTrack"), 1);
}

// Only a file marked as a run's scratch file skips waiting for the disk; the mark follows the
// file whatever form its path is given in, and ends when it is lifted.
TEST_F(DbiConnectionTest, OnlyAScratchFileSkipsWaitingForTheDisk) {
    auto synchronous = [this]() {
        NxOpStatusImpl os;
        DbiConnection con(refOf(path()), os);
        SQLiteQuery q("PRAGMA synchronous", static_cast<SQLiteDbi*>(con.dbi), os);
        const qint64 mode = q.selectInt64(-1);
        EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
        return mode;
    };
    EXPECT_EQ(synchronous(), 1);  // NORMAL
    SQLiteDbi::setScratchFile(dir.path() + "/./" + QFileInfo(path()).fileName(), true);
    EXPECT_TRUE(SQLiteDbi::isScratchFile(path()));
    EXPECT_FALSE(SQLiteDbi::isScratchFile(path("other.s3db")));
    EXPECT_EQ(synchronous(), 0);  // OFF
    SQLiteDbi::setScratchFile(path(), false);
    EXPECT_EQ(synchronous(), 1);
}

TEST_F(DbiConnectionTest, ReopenKeepsData) {
    NxOpStatusImpl os;
    NxDataId trackId;
    {
        DbiConnection con(refOf(path()), os);
        trackId = makeTrack(con.dbi, "chr1", os).id;
    }
    DbiConnection con(refOf(path()), false, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    EXPECT_EQ(con.dbi->getVariantDbi()->getVariantTrack(trackId, os).sequenceName, "chr1");
}

TEST_F(DbiConnectionTest, ConnectionsAndBlocksOfOneThreadShareAHandle) {
    NxOpStatusImpl os;
    DbiConnection a(refOf(path()), os);
    // A different spelling of the same file must reach the same handle.
    DbiConnection b(refOf(dir.path() + "/./session.s3db"), os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    EXPECT_EQ(a.dbi, b.dbi);
    EXPECT_EQ(DbiConnectionPool::openDatabaseCount(), 1);
    {
        DbiOperationsBlock block(refOf(path()), os);
        EXPECT_TRUE(block.isActive());
        EXPECT_EQ(static_cast<SQLiteDbi*>(a.dbi)->getTransactionDepth(), 1);
    }
    EXPECT_EQ(static_cast<SQLiteDbi*>(a.dbi)->getTransactionDepth(), 0);
    a.close(os);
    EXPECT_FALSE(a.isOpen());
    EXPECT_EQ(DbiConnectionPool::openDatabaseCount(), 1);
    b.close(os);
    EXPECT_EQ(DbiConnectionPool::openDatabaseCount(), 0);
}

TEST_F(DbiConnectionTest, NestedBlocksCommitAtTheOutermostEnd) {
    NxOpStatusImpl os;
    DbiConnection con(refOf(path()), os);
    {
        DbiOperationsBlock outer(refOf(path()), os);
        {
            DbiOperationsBlock inner(refOf(path()), os);
            makeTrack(con.dbi, "chr1", os);
        }
        // Another reader sees nothing until the outer block ends.
        EXPECT_EQ(rawSelectInt(path(), "SELECT COUNT(*) FROM VariantTrack"), 0);
        makeTrack(con.dbi, "chr2", os);
    }
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    EXPECT_EQ(rawSelectInt(path(), "SELECT COUNT(*) FROM VariantTrack"), 2);
}

TEST_F(DbiConnectionTest, BlockCommitsWorkDoneBeforeAnError) {
    NxOpStatusImpl os;
    DbiConnection con(refOf(path()), os);
    NxVariantTrack t = makeTrack(con.dbi, "chr1", os);
    {
        DbiOperationsBlock block(refOf(path()), os);
        QList<NxVariant> vs{variant(10, "A", "G")};
        con.dbi->getVariantDbi()->addVariantsToTrack(t, vs, os);
        NxVariantTrack missing;
        missing.id = t.id;
        missing.id[7] = 99;  // a track that does not exist
        QList<NxVariant> more{variant(20, "C", "T")};
        con.dbi->getVariantDbi()->addVariantsToTrack(missing, more, os);
        EXPECT_TRUE(os.hasError());
    }
    EXPECT_EQ(rawSelectInt(path(), "SELECT COUNT(*) FROM Variant"), 1);
}

TEST_F(DbiConnectionTest, BlockOnMissingDatabaseFailsWithoutCreatingIt) {
    NxOpStatusImpl os;
    {
        DbiOperationsBlock block(refOf(path()), os);
        EXPECT_FALSE(block.isActive());
    }
    EXPECT_TRUE(os.getError().contains(path()));
    EXPECT_FALSE(QFileInfo::exists(path()));
}

TEST_F(DbiConnectionTest, TwoThreadsWriteThroughTheirOwnConnections) {
    {
        NxOpStatusImpl os;
        DbiConnection init(refOf(path()), os);
        ASSERT_FALSE(os.hasError());
    }
    const int perThread = 2000;
    NxOpStatusImpl os1, os2;
    NxDbi* seen1 = nullptr;
    NxDbi* seen2 = nullptr;
    auto work = [&](NxOpStatus& os, NxDbi*& seen, const QString& chr) {
        DbiConnection con(refOf(path()), false, os);
        if (os.hasError()) return;
        seen = con.dbi;
        NxVariantTrack t = makeTrack(con.dbi, chr, os);
        // Small blocks, so that the two threads take turns on the write lock.
        for (int b = 0; b < 20 && !os.hasError(); ++b) {
            DbiOperationsBlock block(refOf(path()), os);
            QList<NxVariant> vs;
            for (int i = 0; i < perThread / 20; ++i) {
                vs << variant(b * 1000 + i, "A", "C");
            }
            con.dbi->getVariantDbi()->addVariantsToTrack(t, vs, os);
        }
    };
    std::thread t1([&] { work(os1, seen1, "chr1"); });
    std::thread t2([&] { work(os2, seen2, "chr2"); });
    t1.join();
    t2.join();
    ASSERT_FALSE(os1.hasError()) << os1.getError().toStdString();
    ASSERT_FALSE(os2.hasError()) << os2.getError().toStdString();
    EXPECT_NE(seen1, nullptr);
    EXPECT_NE(seen2, nullptr);
    EXPECT_EQ(rawSelectInt(path(), "SELECT COUNT(*) FROM Variant"), 2 * perThread);
    EXPECT_EQ(rawSelectInt(path(), "SELECT COUNT(DISTINCT track) FROM Variant"), 2);
}

TEST_F(DbiConnectionTest, ConnectionOpenedOnOneThreadIsClosedFromAnother) {
    NxOpStatusImpl os;
    auto con = std::make_unique<DbiConnection>();
    std::thread opener([&] {
        con->open(refOf(path()), true, os);
        if (!os.hasError()) makeTrack(con->dbi, "chr1", os);
        // The opening thread's own connection would be a different handle from this one's.
        EXPECT_EQ(DbiConnectionPool::openDatabaseCount(), 1);
    });
    opener.join();
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    EXPECT_EQ(DbiConnectionPool::openDatabaseCount(), 0);  // not this thread's handle
    EXPECT_TRUE(QFileInfo::exists(path() + "-wal"));
    con.reset();
    // The last handle closed: SQLite checkpoints and removes the write-ahead log.
    EXPECT_FALSE(QFileInfo::exists(path() + "-wal"));
    EXPECT_EQ(rawSelectInt(path(), "SELECT COUNT(*) FROM VariantTrack"), 1);
}

}  // namespace
