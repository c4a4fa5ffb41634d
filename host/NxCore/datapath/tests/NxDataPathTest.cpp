// "data:" resolution and validity of data paths, and the registry's ownership rules.
#include <NxCore/datapath/NxDataPathRegistry.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>

namespace Nx {

TEST(NxDataPathTest, DataPrefixResolvesToTheDataFolder) {
    QTemporaryDir data;
    qputenv("NX_DATA_DIR", data.path().toLocal8Bit());
    ASSERT_TRUE(QDir(data.path()).mkdir("snp_scripts"));
    EXPECT_EQ(NxDataPathRegistry::dataFolder(), QDir::cleanPath(data.path()));

    NxDataPath db("db_path", "data:snp_scripts/human_hg19_db.s3db");
    EXPECT_EQ(db.getPath(), QDir::cleanPath(data.path()) + "/snp_scripts/human_hg19_db.s3db");
    EXPECT_TRUE(db.isValid()) << "the file may be missing when its folder exists";

    NxDataPath noFolder("x", "data:nowhere/file.s3db");
    EXPECT_FALSE(noFolder.isValid());
    NxDataPath dirOnly("d", "data:snp_scripts", "", true);
    EXPECT_TRUE(dirOnly.isValid());
    QFile f(data.filePath("plain.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    NxDataPath fileAsDir("f", "data:plain.txt", "", true);
    EXPECT_FALSE(fileAsDir.isValid());
    EXPECT_FALSE(NxDataPath("e", "").isValid());
    qunsetenv("NX_DATA_DIR");
}

TEST(NxDataPathTest, RegistryOwnsEntriesAndKeepsTheFirstOfAName) {
    QPointer<NxDataPath> first = new NxDataPath("db_path", "/tmp/a.s3db");
    QPointer<NxDataPath> second = new NxDataPath("db_path", "/tmp/b.s3db");
    {
        NxDataPathRegistry reg;
        EXPECT_TRUE(reg.registerEntry(first));
        EXPECT_FALSE(reg.registerEntry(second));
        EXPECT_FALSE(reg.registerEntry(first));
        EXPECT_FALSE(reg.registerEntry(nullptr));
        EXPECT_EQ(reg.getDataPathByName("db_path"), first.data());
        EXPECT_FALSE(second.isNull()) << "a refused entry must stay readable for its caller";
        EXPECT_EQ(second->getPath(), "/tmp/b.s3db");
        EXPECT_TRUE(reg.unregisterEntry("db_path"));
        EXPECT_TRUE(first.isNull());
        EXPECT_FALSE(reg.unregisterEntry("db_path"));
    }
    EXPECT_TRUE(second.isNull()) << "the registry deletes refused entries at its end";
}

}  // namespace Nx
