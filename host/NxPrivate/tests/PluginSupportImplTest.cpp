// The loader skips, by name, what is no plug-in, and starts the command-line handlers after
// loading, before it announces the end of start-up.
#include "QtTestEnvironment.h"

#include <NxCore/cmdline/CMDLineRegistry.h>
#include <NxCore/log/Logger.h>
#include <NxCore/tasks/FailTask.h>
#include <NxPrivate/plugin/PluginSupportImpl.h>

#include <QFile>
#include <QTemporaryDir>

namespace Nx {

using PluginSupportImplTest = SchedulerFixture;

TEST_F(PluginSupportImplTest, NonPluginFilesAreSkippedWithTheirNames) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fixtures = QString(NX_BINARY_DIR) + "/test-plugins/fixtures/";
    ASSERT_TRUE(QFile::copy(fixtures + "libnx_fixture_NoSymbolLib.so", dir.filePath("libnosymbol.so")));
    ASSERT_TRUE(QFile::copy(fixtures + "libnx_fixture_NullPluginLib.so", dir.filePath("libnull.so")));
    QFile text(dir.filePath("libfake.so"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("this is not a library\n");
    text.close();
    QFile readme(dir.filePath("README.txt"));
    ASSERT_TRUE(readme.open(QIODevice::WriteOnly));
    readme.close();

    LogCapture log;
    PluginSupportImpl ps(false);
    EXPECT_EQ(ps.loadPluginsFromDir(dir.path()), 0);
    EXPECT_TRUE(ps.getPlugins().isEmpty());
    EXPECT_TRUE(log.contains("libnosymbol.so: no function nolix_plugin_init"));
    EXPECT_TRUE(log.contains("libnull.so: nolix_plugin_init returned no plug-in"));
    EXPECT_TRUE(log.contains("libfake.so: cannot be loaded"));
    EXPECT_TRUE(log.contains("README.txt: not a shared library"));
}

TEST_F(PluginSupportImplTest, CommandLineHandlersStartAfterLoadingAndBeforeTheAnnouncement) {
    QTemporaryDir emptyDir;
    qputenv("NX_PLUGIN_DIR", emptyDir.path().toLocal8Bit());
    QStringList order;
    class Handler : public CMDLineHandler {
    public:
        Handler(QStringList* o) : CMDLineHandler("do-it"), order(o) {}
        Task* createTask(CMDLineRegistry& r) override {
            order->append("createTask:" + r.getParameterValue("do-it"));
            return new FailTask("handler task ran");
        }
        QStringList* order;
    };
    auto* reg = new CMDLineRegistry({"prog", "--do-it=now"});
    reg->registerCMDLineHandler(new Handler(&order));
    AppContextImpl::getApplicationContext()->setCMDLineRegistry(reg);
    LogCapture log;
    {
        PluginSupportImpl ps(true);
        AppContextImpl::getApplicationContext()->setPluginSupport(&ps);
        QObject::connect(&ps, &PluginSupport::si_allStartUpPluginsLoaded, [&] {
            order.append(QString("announced:%1").arg(scheduler->getTopLevelTasks().size()));
        });
        EXPECT_FALSE(ps.isAllPluginsLoaded());
        ASSERT_TRUE(waitFor([&] { return ps.isAllPluginsLoaded(); }));
        ASSERT_TRUE(waitFor([&] { return log.contains("handler task ran"); }));
        AppContextImpl::getApplicationContext()->setPluginSupport(nullptr);
    }
    AppContextImpl::getApplicationContext()->setCMDLineRegistry(nullptr);
    delete reg;
    qunsetenv("NX_PLUGIN_DIR");
    // The handler's task and the loading task are both registered when the end is announced.
    EXPECT_EQ(order, (QStringList{"createTask:now", "announced:2"}));
}

}  // namespace Nx
