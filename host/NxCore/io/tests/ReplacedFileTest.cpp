// A replaced file changes its target only on commit, whole; an abandoned one leaves the target
// and no temporary file; two writers of one target do not mix; files of ended processes go.
#include <NxCore/core/NxOpStatus.h>
#include <NxCore/io/ReplacedFile.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace Nx;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void write(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

}  // namespace

TEST(ReplacedFileTest, TheTargetChangesOnlyOnCommitAndNeverHalfWay) {
    QTemporaryDir dir;
    const QString target = dir.filePath("report.tsv");
    write(target, "old\n");
    {
        ReplacedFile dropped(target);
        write(dropped.getTemporaryPath(), "half of a new re");
        EXPECT_EQ(readAll(target), "old\n");
    }
    EXPECT_EQ(readAll(target), "old\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"report.tsv"});

    ReplacedFile first(target);
    ReplacedFile second(target);
    ASSERT_NE(first.getTemporaryPath(), second.getTemporaryPath());
    write(first.getTemporaryPath(), "first\n");
    write(second.getTemporaryPath(), "second\n");
    NxOpStatusImpl os;
    ASSERT_TRUE(second.commit(os));
    EXPECT_EQ(readAll(target), "second\n");
    ASSERT_TRUE(first.commit(os));
    EXPECT_EQ(readAll(target), "first\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"report.tsv"});
}

TEST(ReplacedFileTest, ACommitThatCannotRenameNamesBothPathsAndLeavesNothing) {
    QTemporaryDir dir;
    const QString target = dir.filePath("a-folder");
    ASSERT_TRUE(QDir(dir.path()).mkpath("a-folder/inside"));  // a non-empty folder cannot be replaced
    ReplacedFile file(target);
    write(file.getTemporaryPath(), "x");
    NxOpStatusImpl os;
    EXPECT_FALSE(file.commit(os));
    EXPECT_TRUE(os.getError().contains(target)) << os.getError().toStdString();
    EXPECT_TRUE(os.getError().contains(file.getTemporaryPath()));
    EXPECT_FALSE(QFile::exists(file.getTemporaryPath()));
}

TEST(ReplacedFileTest, TemporaryFilesOfEndedProcessesAreRemovedThoseOfLiveOnesKept) {
    QTemporaryDir dir;
    const QString target = dir.filePath("r.tsv");
    // A pid far above any the system hands out, and this process's own.
    write(target + ".tmp-999999999-1", "killed run");
    write(target + ".tmp-999999999", "killed run");
    const QString live = QString("%1.tmp-%2-77").arg(target).arg(::getpid());
    write(live, "running");
    write(dir.filePath("other.tsv.tmp-999999999-1"), "another target's");
    EXPECT_EQ(ReplacedFile::removeStale(target), 2);
    EXPECT_TRUE(QFile::exists(live));
    EXPECT_TRUE(QFile::exists(dir.filePath("other.tsv.tmp-999999999-1")));
}
