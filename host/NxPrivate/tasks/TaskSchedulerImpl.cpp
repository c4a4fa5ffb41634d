#include "TaskSchedulerImpl.h"

#include <NxCore/log/Logger.h>
#include <NxCore/settings/AppSettings.h>

#include <QElapsedTimer>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <exception>

namespace Nx {

// One task in the scheduler's tree; lives from the task's start until the top-level task ends.
struct TaskSchedulerImpl::Record {
    Task* task = nullptr;
    Record* parent = nullptr;
    QList<Record*> children;          // started subtasks not finished yet, in start order
    int nextSubtask = 0;              // index into the task's subtasks of the next one to start
    Phase phase = Phase::New;
    bool busy = false;                // being processed further up the stack (nested event loops)
    std::atomic<bool> runDone{false}; // set by the pool thread when run() returned
    QElapsedTimer timer;              // started at prepare()
    int lastProgress = -1;            // last value signalled through si_progressChanged
};

namespace {

template <class F>
void guarded(Task* t, const char* what, F f) {
    try {
        f();
    } catch (const std::exception& e) {
        t->setError(QObject::tr("Unexpected failure in %1 of task '%2': %3")
                        .arg(what, t->getTaskName(), QString::fromLocal8Bit(e.what())));
    } catch (...) {
        t->setError(QObject::tr("Unexpected failure in %1 of task '%2'").arg(what, t->getTaskName()));
    }
}

}  // namespace

TaskSchedulerImpl::TaskSchedulerImpl(AppResourcePool* resourcePool, QObject* parent)
    : TaskScheduler(parent) {
    int threads = resourcePool ? resourcePool->getIdealThreadCount() : QThread::idealThreadCount();
    // One thread more than processors: a workflow run task waits on its thread for the whole run,
    // and the elements' tasks (two writers side by side) must still get one per processor.
    pool.setMaxThreadCount(qMax(2, threads) + 1);
    progressTimer.setInterval(250);
    connect(&progressTimer, &QTimer::timeout, this, &TaskSchedulerImpl::sl_progressTick);
}

TaskSchedulerImpl::~TaskSchedulerImpl() {
    cancelAllTasks();
    pool.waitForDone();
    for (Task* t : topLevelTasks) {
        Record* r = records.value(t);
        deleteRecord(r);
        if (!t->hasFlags(TaskFlag_NoAutoDelete)) {
            delete t;
        }
    }
    topLevelTasks.clear();
    records.clear();
}

void TaskSchedulerImpl::deleteRecord(Record* r) {
    if (r == nullptr) {
        return;
    }
    for (Record* c : r->children) {
        deleteRecord(c);
    }
    delete r;
}

void TaskSchedulerImpl::registerTopLevelTask(Task* task) {
    NX_SAFE_POINT(task != nullptr, "Registering a null task", );
    if (QThread::currentThread() != thread()) {
        // Bookkeeping belongs to the scheduler's thread; the task follows it there.
        if (task->thread() == QThread::currentThread()) {
            task->moveToThread(thread());
        }
        QMetaObject::invokeMethod(this, [this, task] { registerTopLevelTask(task); },
                                  Qt::QueuedConnection);
        return;
    }
    NX_SAFE_POINT(!records.contains(task), QString("Task is registered twice: %1").arg(task->getTaskName()), );
    NX_SAFE_POINT(task->getParentTask() == nullptr,
                  QString("A subtask cannot be a top-level task: %1").arg(task->getTaskName()), );
    NX_SAFE_POINT(task->getState() == Task::State_New,
                  QString("Task was already started: %1").arg(task->getTaskName()), );
    Record* r = new Record;
    r->task = task;
    records.insert(task, r);
    topLevelTasks.append(task);
    taskLog.details(QString("Registered task: %1").arg(task->getTaskName()));
    Q_EMIT si_topLevelTaskRegistered(task);
    if (!progressTimer.isActive()) {
        progressTimer.start();
    }
    scheduleUpdate();
}

void TaskSchedulerImpl::unregisterTopLevelTask(Task* task) {
    Record* r = records.value(task);
    if (r == nullptr) {
        return;
    }
    if (r->phase != Phase::Done) {
        // A task still in work cannot just be forgotten: a pool thread may be inside run().
        // Cancel it; it leaves the list when it has finished.
        task->cancel();
        scheduleUpdate();
        return;
    }
    records.remove(task);
    topLevelTasks.removeOne(task);
    deleteRecord(r);
    Q_EMIT si_topLevelTaskUnregistered(task);
}

void TaskSchedulerImpl::cancelTask(Task* task) {
    if (task == nullptr) {
        return;
    }
    task->cancel();
    scheduleUpdate();
}

void TaskSchedulerImpl::cancelAllTasks() {
    for (Task* t : topLevelTasks) {
        t->cancel();
    }
    scheduleUpdate();
}

void TaskSchedulerImpl::scheduleUpdate() {
    if (updatePending) {
        return;
    }
    updatePending = true;
    QMetaObject::invokeMethod(this, "sl_update", Qt::QueuedConnection);
}

void TaskSchedulerImpl::sl_update() {
    updatePending = false;
    // A snapshot: slots called from here may register, finish or delete tasks.
    const QList<Task*> snapshot = topLevelTasks;
    for (Task* t : snapshot) {
        Record* r = records.value(t);
        if (r == nullptr || r->busy) {
            continue;
        }
        if (process(r)) {
            finishTopLevel(r);
        }
    }
    if (topLevelTasks.isEmpty()) {
        progressTimer.stop();
    }
}

bool TaskSchedulerImpl::process(Record* r) {
    if (r->busy) {
        return false;
    }
    r->busy = true;
    Task* t = r->task;
    bool moved = true;
    while (moved) {
        moved = false;
        switch (r->phase) {
            case Phase::New:
                r->timer.start();
                if (!t->stateInfo.isCoR()) {
                    guarded(t, "prepare", [t] { t->prepare(); });
                }
                setTaskState(t, Task::State_Prepared);
                Q_EMIT si_stateChanged(t);
                setTaskState(t, Task::State_Running);
                Q_EMIT si_stateChanged(t);
                r->phase = Phase::Subtasks;
                moved = true;
                break;
            case Phase::Subtasks:
                processSubtasks(r);
                moved = r->phase != Phase::Subtasks;
                break;
            case Phase::Run:
                startRun(r);
                moved = true;
                break;
            case Phase::Running:
                if (r->runDone.load()) {
                    r->phase = Phase::Report;
                    moved = true;
                }
                break;
            case Phase::Report: {
                Task::ReportResult rr = Task::ReportResult_Finished;
                guarded(t, "report", [t, &rr] { rr = t->report(); });
                if (rr == Task::ReportResult_CallMeAgain) {
                    scheduleUpdate();
                    break;
                }
                r->phase = Phase::Done;
                setTaskElapsed(t, r->timer.elapsed());
                // The scheduler's signal first: the task is sure to be alive for its receivers,
                // while the task's own receivers may delete a task they own.
                setTaskStateSilently(t, Task::State_Finished);
                Q_EMIT si_stateChanged(t);
                if (t->hasFlags(TaskFlag_ReportOnFinish)) {
                    taskLog.info(QString("Task '%1' %2 in %3 s")
                                     .arg(t->getTaskName(),
                                          t->hasError() ? "failed" : (t->isCanceled() ? "was canceled" : "finished"))
                                     .arg(double(r->timer.elapsed()) / 1000.0, 0, 'f', 2));
                }
                break;
            }
            case Phase::Done:
                break;
        }
    }
    r->busy = false;
    return r->phase == Phase::Done;
}

void TaskSchedulerImpl::processSubtasks(Record* r) {
    // r->children holds only the started subtasks that have not finished yet, and the task's
    // list is walked by index, never copied: each subtask costs O(1) here, whatever the group's
    // size (a sequential group of a million requests must not be quadratic).
    Task* t = r->task;
    bool changed = true;
    while (changed) {
        changed = false;
        const int maxParallel = t->getMaxParallelSubtasks();
        while (!t->stateInfo.isCoR() && (maxParallel <= 0 || r->children.size() < maxParallel)) {
            Task* s = t->getSubtaskAt(r->nextSubtask);
            if (s == nullptr) {
                break;
            }
            r->nextSubtask++;
            if (s->getState() != Task::State_New) {
                continue;
            }
            Record* c = new Record;
            c->task = s;
            c->parent = r;
            r->children.append(c);
        }
        const QList<Record*> active = r->children;
        for (Record* c : active) {
            if (c->busy || !process(c)) {
                continue;
            }
            r->children.removeOne(c);
            Task* finished = c->task;
            delete c;
            // The subtask's final signal came first; now the parent hears of it.
            QPointer<Task> sub(finished);
            Q_EMIT finished->si_stateChanged();
            changed = true;
            if (sub.isNull()) {
                continue;
            }
            QList<Task*> more;
            guarded(t, "onSubTaskFinished", [t, finished, &more] { more = t->onSubTaskFinished(finished); });
            for (Task* m : more) {
                t->addSubTask(m);
            }
            if (t->stateInfo.isCoR()) {
                for (Record* other : qAsConst(r->children)) {
                    other->task->cancel();
                }
            }
            if (t->freesFinishedSubtasks() && !sub.isNull()) {
                freeSubtask(r, finished);
            }
        }
    }
    const bool nothingToStart = r->nextSubtask >= t->getSubtaskCount() || t->stateInfo.isCoR();
    if (r->children.isEmpty() && nothingToStart) {
        r->phase = Phase::Run;
    }
}

void TaskSchedulerImpl::freeSubtask(Record* r, Task* sub) {
    const int index = r->task->getSubtaskAt(0) == sub ? 0 : r->task->getSubtasks().indexOf(sub);
    if (index < 0 || !r->task->takeSubTask(sub)) {
        return;
    }
    if (index < r->nextSubtask) {
        r->nextSubtask--;
    }
    // With NoAutoDelete its maker keeps it; otherwise nobody else owns it any more.
    if (!sub->hasFlags(TaskFlag_NoAutoDelete)) {
        delete sub;
    }
}

void TaskSchedulerImpl::startRun(Record* r) {
    Task* t = r->task;
    if (t->hasFlags(TaskFlag_NoRun) || t->stateInfo.isCoR()) {
        r->phase = Phase::Report;
        return;
    }
    r->phase = Phase::Running;
    r->runDone.store(false);
    pool.start([this, r, t] {
        guarded(t, "run", [t] { t->run(); });
        r->runDone.store(true);
        QMetaObject::invokeMethod(this, "sl_update", Qt::QueuedConnection);
    });
}

void TaskSchedulerImpl::finishTopLevel(Record* r) {
    Task* t = r->task;
    const QString name = t->getTaskName();
    const bool autoDelete = !t->hasFlags(TaskFlag_NoAutoDelete);
    if (t->hasError() && t->hasFlags(TaskFlag_ErrorReportedByOwner)) {
        taskLog.details(QString("%1 failed: %2").arg(name, t->getError()));
    } else if (t->hasError()) {
        taskLog.error(QString("%1 failed: %2").arg(name, t->getError()));
    } else if (t->isCanceled()) {
        taskLog.info(QString("Task {%1} canceled").arg(name));
    } else {
        taskLog.details(QString("Task {%1} finished").arg(name));
    }
    QPointer<Task> alive(t);
    Q_EMIT t->si_stateChanged();
    records.remove(t);
    topLevelTasks.removeOne(t);
    deleteRecord(r);
    if (alive.isNull()) {
        // Its owner deleted it in a finished handler; receivers get no dangling pointer.
        Q_EMIT si_topLevelTaskUnregistered(nullptr);
        return;
    }
    Q_EMIT si_topLevelTaskUnregistered(t);
    if (autoDelete && !alive.isNull()) {
        t->deleteLater();
    }
}

void TaskSchedulerImpl::sl_progressTick() {
    for (Task* t : topLevelTasks) {
        Record* r = records.value(t);
        if (r != nullptr) {
            emitProgress(r);
        }
    }
}

void TaskSchedulerImpl::emitProgress(Record* r) {
    if (r->phase == Phase::Done) {
        return;
    }
    int p = r->task->getProgress();
    if (p != r->lastProgress) {
        r->lastProgress = p;
        Q_EMIT r->task->si_progressChanged();
    }
    for (Record* c : qAsConst(r->children)) {
        emitProgress(c);
    }
}

}  // namespace Nx
