// resource_probe: builds the suite's context without a window, runs the event loop in which the
// plug-ins are loaded and the command-line tasks run, and tears the context down again. The
// order of creation and of destruction is AppContextSetup's; the version guard and the start-up
// counter come first. Every argument goes to the command-line registry unchanged.
#include "GApplication.h"
#include "VersionGuard.h"

#include <NxCore/counters/TimeCounter.h>
#include <NxCore/log/Logger.h>
#include <NxCore/tasks/ConsoleShutdownTask.h>
#include <NxPrivate/core/AppContextImpl.h>
#include <NxPrivate/core/AppContextSetup.h>

#include <QDir>

#include <cstdio>

using namespace Nx;

namespace {

// The program's own loggers of the ten categories; it writes nothing to them.
[[maybe_unused]] const Logger probeLoggers[] = {
    Logger("Algorithms"), Logger("Console"), Logger("Core Services"), Logger("Input/Output"),
    Logger("Remote Service"), Logger("Performance"), Logger("Scripts"), Logger("Tasks"),
    Logger("User Interface"), Logger("User Actions")};

}  // namespace

int main(int argc, char** argv) {
    AppContextSetup::armCrashHandler();

    if (!checkQtVersion(qVersion(), stdout)) {
        return -1;
    }

    TimeCounter startUpTime(AppContextSetup::startUpCounter());

    GApplication app(argc, argv);

    AppContextImpl* appContext = AppContextImpl::getApplicationContext();
    appContext->setWorkingDirectoryPath(QCoreApplication::applicationDirPath());

    QCoreApplication::addLibraryPath(AppContext::getWorkingDirectoryPath());
    QCoreApplication::addLibraryPath(QDir(AppContext::getWorkingDirectoryPath()).absolutePath() +
                                     "/../../installer/windows");

    AppContextSetup context(appContext, app.arguments());
    context.startPlugins();

    startUpTime.stop();

    ConsoleShutdownTask watchQuit(&app);

    int rc = app.exec();

    // The whole context goes before the shutdown task and the application object.
    context.tearDown();
    return rc;
}
