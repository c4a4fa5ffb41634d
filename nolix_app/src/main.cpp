// nolix: the suite with its main window. Builds the same context as resource_probe, in the same
// order, and adds the project loader and the main window before the plug-ins load, so that
// plug-ins that need a window (web_link) find one. Files named on the command line are opened.
// The loop ends when the window is closed (or on SIGTERM/SIGINT); the context is then torn down
// in the reverse order.
#include "GuiApplication.h"
#include "TerminationWatcher.h"

#include <NxAlgorithm/opencl/OpenCLGpuRegistry.h>
#include <NxCore/cmdline/CMDLineRegistry.h>
#include <NxCore/counters/GCounter.h>
#include <NxCore/counters/TimeCounter.h>
#include <NxCore/log/Logger.h>
#include <NxCore/resource/ResourceTracker.h>
#include <NxCore/tasks/TaskScheduler.h>
#include <NxGui/main/MainWindow.h>
#include <NxGui/project/ProjectLoader.h>
#include <NxPrivate/core/AppContextImpl.h>
#include <NxPrivate/crash/CrashHandler.h>
#include <NxPrivate/plugin/PluginSupportImpl.h>
#include <NxPrivate/service/ServiceRegistryImpl.h>
#include <NxPrivate/settings/AppSettingsImpl.h>
#include <NxPrivate/settings/SettingsImpl.h>
#include <NxPrivate/tasks/TaskSchedulerImpl.h>

#include <QDir>

using namespace Nx;

namespace {

GCounter* startUpCounter() {
    static GCounter counter("main()->QApp::exec", TimeCounter::timeSuffix(), TimeCounter::frequency());
    return &counter;
}

}  // namespace

int main(int argc, char** argv) {
    CrashHandler::setupHandler();
    CrashHandler::preallocateReservedSpace();
    CrashHandler::sendCrashReports = false;

    TimeCounter startUpTime(startUpCounter());

    GuiApplication app(argc, argv);
    QCoreApplication::setApplicationName("Nolix");
    TerminationWatcher terminationWatcher;

    AppContextImpl* appContext = AppContextImpl::getApplicationContext();
    appContext->setWorkingDirectoryPath(QCoreApplication::applicationDirPath());
    appContext->setGUIMode(true);
    QCoreApplication::addLibraryPath(AppContext::getWorkingDirectoryPath());

    auto* cmdLineRegistry = new CMDLineRegistry(app.arguments());
    cmdLineRegistry->setTakesFileArguments(true);  // the files to open; none: just the window
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

    auto* projectLoader = new ProjectLoader();
    appContext->setProjectLoader(projectLoader);

    auto* mainWindow = new MainWindow(projectLoader->getProject());
    appContext->setMainWindow(mainWindow);

    auto* pluginSupport = new PluginSupportImpl(true);
    appContext->setPluginSupport(pluginSupport);

    auto* serviceRegistry = new ServiceRegistryImpl();
    appContext->setServiceRegistry(serviceRegistry);

    auto* openCLGpuRegistry = new OpenCLGpuRegistry();
    appContext->setOpenCLGpuRegistry(openCLGpuRegistry);

    QList<GUrl> files;
    for (const QString& f : cmdLineRegistry->getPositionalArguments()) {
        files.append(GUrl(QFileInfo(f).absoluteFilePath()));
    }
    if (Task* open = projectLoader->openWithProjectTask(files)) {
        taskScheduler->registerTopLevelTask(open);
    }

    mainWindow->show();
    startUpTime.stop();
    uiLog.info("Main window shown");

    int rc = app.exec();

    delete pluginSupport;
    appContext->setPluginSupport(nullptr);

    delete taskScheduler;
    appContext->setTaskScheduler(nullptr);

    appContext->setMainWindow(nullptr);
    delete mainWindow;

    appContext->setProjectLoader(nullptr);
    delete projectLoader;

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
