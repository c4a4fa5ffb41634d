// Temporary file locations: unique, created at once, always inside the folder asked for.
#include <NxCore/core/NxOpStatus.h>
#include <NxCore/io/GUrlUtils.h>

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

namespace Nx {

TEST(GUrlUtilsTest, EachCallGetsANewFileInTheFolder) {
    QTemporaryDir tmp;
    const QString dir = tmp.filePath("sub/folder");
    NxOpStatusImpl os;
    QString a = GUrlUtils::prepareTmpFileLocation(dir, "clipboard_data", "clipboard", os);
    QString b = GUrlUtils::prepareTmpFileLocation(dir, "clipboard_data", "clipboard", os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    EXPECT_NE(a, b);
    for (const QString& p : {a, b}) {
        QFileInfo fi(p);
        EXPECT_TRUE(fi.isFile());
        EXPECT_EQ(fi.absolutePath(), QFileInfo(dir).absoluteFilePath());
        EXPECT_TRUE(fi.fileName().startsWith("clipboard_data_"));
        EXPECT_EQ(fi.suffix(), "clipboard");
    }
}

TEST(GUrlUtilsTest, NamePartsThatCouldLeaveTheFolderAreRefused) {
    QTemporaryDir tmp;
    for (const auto& parts : {std::make_pair(QString("../x"), QString("txt")), std::make_pair(QString("x"), QString("a/b")),
                              std::make_pair(QString(".hidden"), QString("txt")), std::make_pair(QString(""), QString("txt"))}) {
        NxOpStatusImpl os;
        EXPECT_TRUE(GUrlUtils::prepareTmpFileLocation(tmp.path(), parts.first, parts.second, os).isEmpty());
        EXPECT_TRUE(os.hasError());
    }
    NxOpStatusImpl noDir;
    EXPECT_TRUE(GUrlUtils::prepareTmpFileLocation("", "x", "txt", noDir).isEmpty());
    EXPECT_TRUE(noDir.hasError());
    NxOpStatusImpl blocked;
    EXPECT_TRUE(GUrlUtils::prepareTmpFileLocation("/proc/no_such_folder", "x", "txt", blocked).isEmpty());
    EXPECT_TRUE(blocked.getError().contains("/proc/no_such_folder")) << blocked.getError().toStdString();
}

}  // namespace Nx
