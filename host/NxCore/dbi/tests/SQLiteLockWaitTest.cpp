// A database opened for reading that another program keeps locked: the wait is bounded and
// the failure names the file, instead of half an hour of silence.
#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/sqlite/SQLiteDbi.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sqlite3.h>

using namespace Nx;

TEST(SQLiteLockWaitTest, AReadOnlyOpenGivesUpOnAnotherProgramsLockAndNamesTheFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("reference.s3db");
    {
        SQLiteDbi db;
        NxOpStatusImpl os;
        db.open(path, true, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
        db.close(os);
    }
    // Another connection, as another program would, holds the file under an exclusive lock.
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; CREATE TABLE held(x);", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    qputenv("NX_DB_LOCK_TIMEOUT_S", "1.5");
    QElapsedTimer timer;
    timer.start();
    SQLiteDbi reader;
    NxOpStatusImpl os;
    reader.open(path, false, os, true);
    qunsetenv("NX_DB_LOCK_TIMEOUT_S");
    EXPECT_TRUE(os.hasError());
    EXPECT_TRUE(os.getError().contains(path)) << os.getError().toStdString();
    EXPECT_GE(timer.elapsed(), 1400);
    EXPECT_LT(timer.elapsed(), 20000);
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);

    // Once the lock is gone the same file opens at once.
    SQLiteDbi again;
    NxOpStatusImpl againOs;
    again.open(path, false, againOs, true);
    EXPECT_FALSE(againOs.hasError()) << againOs.getError().toStdString();
}
