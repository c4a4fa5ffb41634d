#include "DbiTestUtils.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/NxObjectDbi.h>

#include <gtest/gtest.h>

using namespace Nx;
using namespace Nx::DbiTestUtils;

namespace {

class SQLiteObjectDbiTest : public ::testing::Test {
protected:
    void SetUp() override {
        con.open(refOf(dir.filePath("o.s3db")), true, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
        odbi = con.dbi->getObjectDbi();
    }

    NxDataId create(const QString& name, NxDataType type) {
        NxObject o;
        o.visualName = name;
        odbi->createObject(o, type, os);
        EXPECT_EQ(o.version, 1);
        EXPECT_EQ(o.dbiId, dir.filePath("o.s3db"));
        return o.id;
    }

    QTemporaryDir dir;
    NxOpStatusImpl os;
    DbiConnection con;
    NxObjectDbi* odbi = nullptr;
};

TEST_F(SQLiteObjectDbiTest, ObjectsAreListedByTypeAndNameInCreationOrder) {
    NxDataId s1 = create("chr1", NxObjectTypes::Sequence);
    NxDataId t1 = create("chr1", NxObjectTypes::VariantTrack);
    NxDataId s2 = create("chr2", NxObjectTypes::Sequence);
    EXPECT_EQ(odbi->getObjects(NxObjectTypes::Sequence, os), QList<NxDataId>({s1, s2}));
    EXPECT_EQ(odbi->getObjects(NxObjectTypes::Unknown, os), QList<NxDataId>({s1, t1, s2}));
    EXPECT_EQ(odbi->getObjectsByVisualName("chr1", NxObjectTypes::Unknown, os), QList<NxDataId>({s1, t1}));
    EXPECT_EQ(odbi->getObjectsByVisualName("chr1", NxObjectTypes::VariantTrack, os), QList<NxDataId>({t1}));
    EXPECT_TRUE(odbi->getObjectsByVisualName("chrX", NxObjectTypes::Unknown, os).isEmpty());
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
}

TEST_F(SQLiteObjectDbiTest, RenameBumpsTheVersion) {
    NxDataId id = create("old", NxObjectTypes::Sequence);
    odbi->renameObject(id, "new", os);
    NxObject o = odbi->getObject(id, os);
    EXPECT_EQ(o.visualName, "new");
    EXPECT_EQ(o.version, 2);
    EXPECT_EQ(odbi->getObjectType(id, os), NxObjectTypes::Sequence);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
}

TEST_F(SQLiteObjectDbiTest, AbsentObjectIsAnErrorWithAnEmptyRecord) {
    NxDataId id = create("x", NxObjectTypes::Sequence);
    odbi->removeObject(id, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    NxOpStatusImpl getOs;
    EXPECT_FALSE(odbi->getObject(id, getOs).hasValidId());
    EXPECT_TRUE(getOs.getError().contains(dir.filePath("o.s3db")));
    NxOpStatusImpl removeOs;
    odbi->removeObject(id, removeOs);
    EXPECT_TRUE(removeOs.hasError());
    NxOpStatusImpl badOs;
    odbi->getObjectType("junk", badOs);
    EXPECT_TRUE(badOs.hasError());
    // Ids are not reused after removal.
    EXPECT_NE(create("y", NxObjectTypes::Sequence), id);
}

}  // namespace
