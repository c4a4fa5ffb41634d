#include <NxCore/core/NxOpStatus.h>
#include <NxCore/io/IOAdapterUtils.h>

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

using namespace Nx;

TEST(IOAdapterTest, WritesTruncatesAndReadsBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath("report.tsv");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an older and much longer report that must disappear\n");
    }
    NxOpStatusImpl os;
    std::unique_ptr<IOAdapter> out(IOAdapterUtils::open(GUrl(path), os, IOAdapterMode::Write));
    ASSERT_NE(out, nullptr) << os.getError().toStdString();
    EXPECT_TRUE(out->writeBlock("#Chr\tPosition\n", os));
    EXPECT_TRUE(out->writeBlock("7\t1\n", os));
    out->close(os);
    out->close(os);  // a second close changes nothing
    EXPECT_FALSE(os.hasError());

    std::unique_ptr<IOAdapter> in(IOAdapterUtils::open(GUrl(path), os));
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(in->readBlock(1000, os), QByteArray("#Chr\tPosition\n7\t1\n"));
    EXPECT_EQ(in->readBlock(1000, os), QByteArray());
    EXPECT_FALSE(os.hasError());
}

TEST(IOAdapterTest, ErrorsNameTheFile) {
    QTemporaryDir dir;
    const QString missingFolder = dir.filePath("no/such/folder/report.tsv");
    NxOpStatusImpl os;
    EXPECT_EQ(IOAdapterUtils::open(GUrl(missingFolder), os, IOAdapterMode::Write), nullptr);
    EXPECT_TRUE(os.getError().contains(missingFolder)) << os.getError().toStdString();
    EXPECT_FALSE(QFileInfo::exists(missingFolder));

    NxOpStatusImpl empty;
    EXPECT_EQ(IOAdapterUtils::open(GUrl(), empty, IOAdapterMode::Write), nullptr);
    EXPECT_TRUE(empty.hasError());

    IOAdapter closed;
    NxOpStatusImpl notOpen;
    EXPECT_FALSE(closed.writeBlock("x", notOpen));
    EXPECT_TRUE(notOpen.hasError());
}

TEST(IOAdapterTest, FullDiskIsAnError) {
    if (!QFileInfo::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full on this system";
    }
    NxOpStatusImpl os;
    std::unique_ptr<IOAdapter> out(IOAdapterUtils::open(GUrl("/dev/full"), os, IOAdapterMode::Write));
    ASSERT_NE(out, nullptr);
    // QFile buffers, so the failure shows at the latest when the adapter is closed.
    out->writeBlock(QByteArray(1 << 20, 'A'), os);
    out->close(os);
    EXPECT_TRUE(os.hasError());
    EXPECT_TRUE(os.getError().contains("/dev/full"));
}
