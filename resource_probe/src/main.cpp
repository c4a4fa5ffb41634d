// resource_probe: builds the suite's context without a window, runs the event loop in which the
// plug-ins are loaded and the command-line tasks run, and tears the context down again. The
// order of creation and of destruction below is fixed; so are the version guard and the
// start-up counter. Every argument goes to the command-line registry unchanged.
#include "GApplication.h"
#include "VersionGuard.h"

#include <NxAlgorithm/opencl/OpenCLGpuRegistry.h>
#include <NxCore/cmdline/CMDLineRegistry.h>
#include <NxCore/counters/GCounter.h>
#include <NxCore/counters/TimeCounter.h>
#include <NxCore/log/Logger.h>
#include <NxCore/resource/ResourceTracker.h>
#include <NxCore/tasks/ConsoleShutdownTask.h>
#include <NxPrivate/core/AppContextImpl.h>
#include <NxPrivate/crash/CrashHandler.h>
#include <NxPrivate/plugin/PluginSupportImpl.h>
#include <NxPrivate/service/ServiceRegistryImpl.h>
#include <NxPrivate/settings/AppSettingsImpl.h>
#include <NxPrivate/settings/SettingsImpl.h>
#include <NxPrivate/tasks/TaskSchedulerImpl.h>

#include <QDir>

#include <cstdio>

using namespace Nx;

namespace {

// The program's own loggers of the ten categories; it writes nothing to them.
[[maybe_unused]] const Logger probeLoggers[] = {
    Logger("Algorithms"), Logger("Console"), Logger("Core Services"), Logger("Input/Output"),
    Logger("Remote Service"), Logger("Performance"), Logger("Scripts"), Logger("Tasks"),
    Logger("User Interface"), Logger("User Actions")};

GCounter* startUpCounter() {
    static GCounter counter("main()->QApp::exec", TimeCounter::timeSuffix(), TimeCounter::frequency());
    return &counter;
}

}  // namespace

int main(int argc, char** argv) {
    CrashHandler::setupHandler();
    CrashHandler::preallocateReservedSpace();
    CrashHandler::sendCrashReports = false;

    if (!checkQtVersion(qVersion(), stdout)) {
        return -1;
    }

    TimeCounter startUpTime(startUpCounter());

    GApplication app(argc, argv);

    AppContextImpl* appContext = AppContextImpl::getApplicationContext();
    appContext->setWorkingDirectoryPath(QCoreApplication::applicationDirPath());

    QCoreApplication::addLibraryPath(AppContext::getWorkingDirectoryPath());
    QCoreApplication::addLibraryPath(QDir(AppContext::getWorkingDirectoryPath()).absolutePath() +
                                     "/../../installer/windows");

    auto* cmdLineRegistry = new CMDLineRegistry(app.arguments());
    appContext->setCMDLineRegistry(cmdLineRegistry);

    auto* globalSettings = new SettingsImpl(QSettings::SystemScope);
    appContext->setGlobalSettings(globalSettings);

    auto* settings = new SettingsImpl(QSettings::UserScope);
    appContext->setSettings(settings);

    AppSettings* appSettings = new AppSettingsImpl();
    appContext->setAppSettings(appSettings);

    auto* resourceTracker = new ResourceTracker();
    appContext->setResourceTracker(resourceTracker);

    auto* taskScheduler = new TaskSchedulerImpl(appSettings->getAppResourcePool());
    appContext->setTaskScheduler(taskScheduler);

    auto* pluginSupport = new PluginSupportImpl(true);
    appContext->setPluginSupport(pluginSupport);

    auto* serviceRegistry = new ServiceRegistryImpl();
    appContext->setServiceRegistry(serviceRegistry);

    auto* openCLGpuRegistry = new OpenCLGpuRegistry();
    appContext->setOpenCLGpuRegistry(openCLGpuRegistry);

    startUpTime.stop();

    ConsoleShutdownTask watchQuit(&app);

    int rc = app.exec();

    delete pluginSupport;
    appContext->setPluginSupport(nullptr);

    delete taskScheduler;
    appContext->setTaskScheduler(nullptr);

    delete resourceTracker;
    appContext->setResourceTracker(nullptr);

    appContext->setAppSettings(nullptr);
    delete appSettings;

    delete settings;
    appContext->setSettings(nullptr);

    delete globalSettings;
    appContext->setGlobalSettings(nullptr);

    delete cmdLineRegistry;
    appContext->setCMDLineRegistry(nullptr);

    return rc;
}
