// nolix: the suite with its main window. Builds the same context as resource_probe, in the same
// order, and adds the project loader and the main window before the plug-ins load, so that
// plug-ins that need a window (web_link) find one. Files named on the command line are opened.
// The loop ends when the window is closed (or on SIGTERM/SIGINT); the context is then torn down
// in the reverse order.
#include "GuiApplication.h"
#include "TerminationWatcher.h"

#include <NxCore/cmdline/CMDLineRegistry.h>
#include <NxCore/counters/TimeCounter.h>
#include <NxCore/log/Logger.h>
#include <NxCore/tasks/TaskScheduler.h>
#include <NxGui/main/MainWindow.h>
#include <NxGui/project/ProjectLoader.h>
#include <NxPrivate/core/AppContextImpl.h>
#include <NxPrivate/core/AppContextSetup.h>

#include <QFileInfo>

using namespace Nx;

int main(int argc, char** argv) {
    AppContextSetup::armCrashHandler();

    TimeCounter startUpTime(AppContextSetup::startUpCounter());

    GuiApplication app(argc, argv);
    QCoreApplication::setApplicationName("Nolix");
    TerminationWatcher terminationWatcher;

    AppContextImpl* appContext = AppContextImpl::getApplicationContext();
    appContext->setWorkingDirectoryPath(QCoreApplication::applicationDirPath());
    appContext->setGUIMode(true);
    QCoreApplication::addLibraryPath(AppContext::getWorkingDirectoryPath());

    AppContextSetup context(appContext, app.arguments());
    CMDLineRegistry* cmdLineRegistry = context.getCMDLineRegistry();
    cmdLineRegistry->setTakesFileArguments(true);  // the files to open; none: just the window

    auto* projectLoader = new ProjectLoader();
    appContext->setProjectLoader(projectLoader);

    auto* mainWindow = new MainWindow(projectLoader->getProject());
    appContext->setMainWindow(mainWindow);

    context.startPlugins();

    QList<GUrl> files;
    for (const QString& f : cmdLineRegistry->getPositionalArguments()) {
        files.append(GUrl(QFileInfo(f).absoluteFilePath()));
    }
    if (Task* open = projectLoader->openWithProjectTask(files)) {
        context.getTaskScheduler()->registerTopLevelTask(open);
    }

    mainWindow->show();
    startUpTime.stop();
    uiLog.info("Main window shown");

    int rc = app.exec();

    context.stopPlugins();

    appContext->setMainWindow(nullptr);
    delete mainWindow;

    appContext->setProjectLoader(nullptr);
    delete projectLoader;

    context.tearDown();
    return rc;
}
