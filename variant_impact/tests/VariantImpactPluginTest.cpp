// The real built variant_impact library, loaded as the suite loads it.
#include <NxCore/datapath/NxDataPathRegistry.h>
#include <NxPrivate/core/AppContextImpl.h>
#include <NxPrivate/plugin/PluginSupportImpl.h>

#include <NxTest/GTestFramework.h>
#include <NxTest/XMLTestFormat.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLibrary>
#include <QPointer>

namespace Nx {

namespace {

const QString PLUGIN_FILE = QString(NX_BINARY_DIR) + "/plugins/libvariant_impact.so";

int argc = 1;
char argv0[] = "variant_impact_test";
char* argv[] = {argv0, nullptr};

class VariantImpactPluginTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        app = new QCoreApplication(argc, argv);
    }
    static void TearDownTestSuite() {
        delete app;
        app = nullptr;
    }
    // A fresh plug-in object from the library's entry point.
    static Plugin* makePlugin() {
        QLibrary lib(PLUGIN_FILE);
        auto init = reinterpret_cast<NX_PLUGIN_INIT_FUNC>(lib.resolve("nolix_plugin_init"));
        return init ? init() : nullptr;
    }
    static QCoreApplication* app;
};

QCoreApplication* VariantImpactPluginTest::app = nullptr;

QList<QObject*> autoDeleteLists(Plugin* p) {
    QList<QObject*> res;
    for (QObject* c : p->children()) {
        if (c->objectName() == "GAutoDeleteList") res.append(c);
    }
    return res;
}

}  // namespace

TEST_F(VariantImpactPluginTest, LoadingRegistersTheDatabasePath) {
    AppContextImpl* ctx = AppContextImpl::getApplicationContext();
    NxDataPathRegistry* reg = AppContext::getDataPathRegistry();
    ASSERT_NE(reg, nullptr);
    reg->unregisterEntry("db_path");

    PluginSupportImpl ps(false);
    Plugin* p = ps.loadPlugin(PLUGIN_FILE);
    ASSERT_NE(p, nullptr) << "the plug-in library did not load";
    EXPECT_EQ(p->getName(), "Variant Impact Plugin");
    EXPECT_EQ(p->getDescription(), "Evaluates effect of human genome variations and finds relations with diseases");
    NxDataPath* dp = reg->getDataPathByName("db_path");
    ASSERT_NE(dp, nullptr);
    EXPECT_EQ(dp->getRawPath(), "data:snp_scripts/human_hg19_db.s3db");
    EXPECT_EQ(dp->getPath(), NxDataPathRegistry::dataFolder() + "/snp_scripts/human_hg19_db.s3db");
    EXPECT_FALSE(dp->isDirOnly());
    EXPECT_FALSE(dp->isReadOnly());
    EXPECT_EQ(ps.getPlugins(), QList<Plugin*>{p});

    // A second plug-in object finds the name taken; the first entry stays.
    Plugin* again = makePlugin();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(reg->getDataPathByName("db_path"), dp);
    delete again;
    (void)ctx;
}

TEST_F(VariantImpactPluginTest, ConstructsWithoutDataPathRegistry) {
    AppContextImpl* ctx = AppContextImpl::getApplicationContext();
    NxDataPathRegistry* saved = AppContext::getDataPathRegistry();
    ctx->setDataPathRegistry(nullptr);
    Plugin* p = makePlugin();
    ctx->setDataPathRegistry(saved);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->getName(), "Variant Impact Plugin");
    EXPECT_EQ(autoDeleteLists(p).size(), 1) << "test registration must go on without the data path registry";
    delete p;
}

TEST_F(VariantImpactPluginTest, TestFactoryListBelongsToThePluginAndNeedsTheXmlFormat) {
    Plugin* p = makePlugin();
    ASSERT_NE(p, nullptr);
    QList<QObject*> lists = autoDeleteLists(p);
    ASSERT_EQ(lists.size(), 1);
    QPointer<QObject> list(lists.first());
    delete p;
    EXPECT_TRUE(list.isNull()) << "destroying the plug-in must delete its test-factory list";

    // Without the XML format the test registration is skipped, not crashed into.
    GTestFormatRegistry* formats = AppContext::getTestFramework()->getTestFormatRegistry();
    ASSERT_TRUE(formats->unregisterTestFormat(formats->findFormat("XML")));
    Plugin* noXml = makePlugin();
    ASSERT_NE(noXml, nullptr);
    EXPECT_TRUE(autoDeleteLists(noXml).isEmpty());
    delete noXml;
    formats->registerTestFormat(new XMLTestFormat());
}

}  // namespace Nx
