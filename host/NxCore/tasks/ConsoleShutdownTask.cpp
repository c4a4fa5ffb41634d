#include "ConsoleShutdownTask.h"

#include <NxCore/cmdline/CMDLineRegistry.h>
#include <NxCore/core/AppContext.h>
#include <NxCore/log/Logger.h>
#include <NxCore/plugin/PluginSupport.h>
#include <NxCore/tasks/TaskScheduler.h>

#include <QCoreApplication>
#include <QTimer>

namespace Nx {

namespace {
int requestedExitCode = 0;
}

void ConsoleShutdownTask::requestExitCode(int code) {
    requestedExitCode = qMax(requestedExitCode, code);
}

ConsoleShutdownTask::ConsoleShutdownTask(QCoreApplication* a)
    : Task(tr("Console shutdown"), TaskFlags(TaskFlag_NoRun) | TaskFlag_NoAutoDelete), app(a) {
    if (TaskScheduler* ts = AppContext::getTaskScheduler()) {
        connect(ts, &TaskScheduler::si_stateChanged, this, &ConsoleShutdownTask::sl_taskStateChanged);
        connect(ts, &TaskScheduler::si_topLevelTaskUnregistered, this, &ConsoleShutdownTask::sl_check,
                Qt::QueuedConnection);
    }
    PluginSupport* ps = AppContext::getPluginSupport();
    if (ps != nullptr && !ps->isAllPluginsLoaded()) {
        connect(ps, &PluginSupport::si_allStartUpPluginsLoaded, this, &ConsoleShutdownTask::sl_startUpDone);
        return;
    }
    // Nothing to wait for: check once the loop runs.
    QTimer::singleShot(0, this, &ConsoleShutdownTask::sl_startUpDone);
}

void ConsoleShutdownTask::sl_startUpDone() {
    startUpDone = true;
    // Queued: the start-up task that announced the end of loading is still registered now.
    QTimer::singleShot(0, this, &ConsoleShutdownTask::sl_check);
}

void ConsoleShutdownTask::sl_taskStateChanged(Task* t) {
    if (t == nullptr || !t->isTopLevelTask() || !t->isFinished()) {
        return;
    }
    if (t->hasError() || t->isCanceled()) {
        failedTasks++;
    }
}

void ConsoleShutdownTask::sl_check() {
    if (!startUpDone || exitRequested) {
        return;
    }
    TaskScheduler* ts = AppContext::getTaskScheduler();
    if (ts != nullptr && !ts->getTopLevelTasks().isEmpty()) {
        return;
    }
    exitRequested = true;
    int code = failedTasks == 0 ? requestedExitCode : 1;
    // A handler's own exit code (a usage error) when no task failed.
    if (CMDLineRegistry* cmd = AppContext::getCMDLineRegistry(); cmd != nullptr && code == 0) {
        code = cmd->getRequestedExitCode();
    }
    coreLog.details(QString("No task left, shutting down with exit code %1").arg(code));
    if (app != nullptr) {
        app->exit(code);
    }
}

}  // namespace Nx
