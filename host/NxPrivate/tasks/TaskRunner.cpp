#include "TaskRunner.h"

#include <NxCore/log/Logger.h>
#include <NxPrivate/core/AppContextImpl.h>
#include <NxPrivate/tasks/TaskSchedulerImpl.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace Nx {

bool TaskRunner::runAndWait(Task* task, int timeoutMs) {
    NX_SAFE_POINT(task != nullptr, "No task to run", false);
    NX_SAFE_POINT(QCoreApplication::instance() != nullptr, "TaskRunner needs a QCoreApplication", false);
    AppContextImpl* ctx = AppContextImpl::getApplicationContext();
    TaskSchedulerImpl* own = nullptr;
    TaskScheduler* ts = AppContext::getTaskScheduler();
    if (ts == nullptr) {
        own = new TaskSchedulerImpl(nullptr);
        ctx->setTaskScheduler(own);
        ts = own;
    }
    task->setFlag(TaskFlag_NoAutoDelete);

    QEventLoop loop;
    QObject::connect(task, &Task::si_stateChanged, &loop, [task, &loop] {
        if (task->isFinished()) {
            loop.quit();
        }
    });
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    ts->registerTopLevelTask(task);
    if (!task->isFinished()) {
        loop.exec();
    }
    bool finished = task->isFinished();
    if (!finished) {
        taskLog.error(QString("Task '%1' did not finish within %2 ms").arg(task->getTaskName()).arg(timeoutMs));
        task->cancel();
    }
    if (own != nullptr) {
        if (finished) {
            // Let the scheduler forget the finished task before it goes.
            QCoreApplication::processEvents();
        }
        ctx->setTaskScheduler(nullptr);
        delete own;  // waits for what still runs
    }
    return finished;
}

}  // namespace Nx
