// The context that both programs build and tear down: what is in place after each step, and the
// order in which the objects go.
#include "QtTestEnvironment.h"

#include <NxCore/cmdline/CMDLineRegistry.h>
#include <NxCore/plugin/PluginSupport.h>
#include <NxCore/resource/ResourceTracker.h>
#include <NxCore/service/ServiceRegistry.h>
#include <NxPrivate/core/AppContextSetup.h>

#include <QStringList>
#include <QTemporaryDir>

namespace Nx {

namespace {

// Records, for each watched object, its name when it is destroyed and whether the task
// scheduler was still in the context at that moment.
struct EndLog {
    QStringList names;
    QStringList schedulerAtEnd;

    void watch(QObject* o, const QString& name) {
        QObject::connect(o, &QObject::destroyed, [this, name] {
            names << name;
            schedulerAtEnd << (AppContext::getTaskScheduler() != nullptr ? "scheduler" : "none");
        });
    }
};

class AppContextSetupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(settingsDir.isValid() && pluginDir.isValid());
        qputenv("NX_SETTINGS_DIR", settingsDir.path().toLocal8Bit());
        qputenv("NX_PLUGIN_DIR", pluginDir.path().toLocal8Bit());
    }
    void TearDown() override {
        qunsetenv("NX_SETTINGS_DIR");
        qunsetenv("NX_PLUGIN_DIR");
    }

    void watchAll(AppContextSetup& setup) {
        log.watch(AppContext::getPluginSupport(), "plug-in support");
        log.watch(setup.getTaskScheduler(), "task scheduler");
        log.watch(AppContext::getResourceTracker(), "resource tracker");
        log.watch(setup.getCMDLineRegistry(), "command line");
    }

    QTemporaryDir settingsDir;
    QTemporaryDir pluginDir;
    EndLog log;
};

}  // namespace

TEST_F(AppContextSetupTest, EachStepFillsOrEmptiesItsPartOfTheContext) {
    AppContextImpl* ctx = AppContextImpl::getApplicationContext();
    AppContextSetup setup(ctx, {"prog", "--workflow=a.json", "file.vcf"});

    ASSERT_EQ(AppContext::getCMDLineRegistry(), setup.getCMDLineRegistry());
    EXPECT_EQ(setup.getCMDLineRegistry()->getParameterValue("workflow"), "a.json");
    EXPECT_EQ(setup.getCMDLineRegistry()->getPositionalArguments(), QStringList{"file.vcf"});
    ASSERT_NE(AppContext::getGlobalSettings(), nullptr);
    ASSERT_NE(AppContext::getSettings(), nullptr);
    EXPECT_NE(AppContext::getSettings(), AppContext::getGlobalSettings());
    ASSERT_NE(AppContext::getAppSettings(), nullptr);
    ASSERT_NE(AppContext::getResourceTracker(), nullptr);
    ASSERT_EQ(AppContext::getTaskScheduler(), setup.getTaskScheduler());
    ASSERT_NE(setup.getTaskScheduler(), nullptr);
    EXPECT_EQ(AppContext::getPluginSupport(), nullptr) << "plug-ins come only with startPlugins()";

    setup.startPlugins();
    ASSERT_NE(AppContext::getPluginSupport(), nullptr);
    ServiceRegistry* services = AppContext::getServiceRegistry();
    ASSERT_NE(services, nullptr);
    ASSERT_NE(AppContext::getOpenCLGpuRegistry(), nullptr);
    watchAll(setup);

    setup.stopPlugins();
    EXPECT_EQ(log.names, QStringList({"plug-in support", "task scheduler"}));
    EXPECT_EQ(log.schedulerAtEnd.value(0), "scheduler") << "the plug-ins go while the scheduler stands";
    EXPECT_EQ(AppContext::getPluginSupport(), nullptr);
    EXPECT_EQ(AppContext::getTaskScheduler(), nullptr);
    EXPECT_EQ(setup.getTaskScheduler(), nullptr);
    // What a program added between the steps still finds the settings and the command line.
    EXPECT_NE(AppContext::getAppSettings(), nullptr);
    EXPECT_NE(AppContext::getCMDLineRegistry(), nullptr);

    setup.tearDown();
    EXPECT_EQ(log.names, QStringList({"plug-in support", "task scheduler", "resource tracker", "command line"}));
    EXPECT_EQ(AppContext::getResourceTracker(), nullptr);
    EXPECT_EQ(AppContext::getAppSettings(), nullptr);
    EXPECT_EQ(AppContext::getSettings(), nullptr);
    EXPECT_EQ(AppContext::getGlobalSettings(), nullptr);
    EXPECT_EQ(AppContext::getCMDLineRegistry(), nullptr);
    EXPECT_EQ(AppContext::getServiceRegistry(), services) << "the service registry outlives the context's end";
    EXPECT_NE(AppContext::getOpenCLGpuRegistry(), nullptr);
    // The destructor after an explicit tearDown() deletes nothing twice.
}

TEST_F(AppContextSetupTest, EndWithoutStopStopsThePluginsFirst) {
    {
        AppContextSetup setup(AppContextImpl::getApplicationContext(), {"prog"});
        setup.startPlugins();
        watchAll(setup);
    }
    EXPECT_EQ(log.names, QStringList({"plug-in support", "task scheduler", "resource tracker", "command line"}));
    EXPECT_EQ(log.schedulerAtEnd.value(0), "scheduler");
    EXPECT_EQ(AppContext::getPluginSupport(), nullptr);
    EXPECT_EQ(AppContext::getTaskScheduler(), nullptr);
    EXPECT_EQ(AppContext::getCMDLineRegistry(), nullptr);
}

}  // namespace Nx
