#include "Task.h"

#include <NxCore/tasks/TaskScheduler.h>

namespace Nx {

namespace {
std::atomic<qint64> nextTaskId{1};
}

Task::Task(const QString& name, TaskFlags f) : taskName(name), flags(f), taskId(nextTaskId++) {
}

Task::~Task() {
    QList<Task*> subs;
    {
        QMutexLocker l(&subtasksLock);
        subs.swap(subtasks);
    }
    qDeleteAll(subs);
}

QList<Task*> Task::onSubTaskFinished(Task* subTask) {
    if (subTask->hasError() && !hasFlags(TaskFlag_NoFailOnSubtaskError)) {
        if (hasFlags(TaskFlag_PropagateSubtaskErrorText)) {
            stateInfo.setError(subTask->getError());
        } else {
            stateInfo.setError(tr("Subtask '%1' is failed: %2")
                                   .arg(subTask->getTaskName(), subTask->getError()));
        }
    } else if (subTask->isCanceled() && hasFlags(TaskFlag_CancelOnSubtaskCancel)) {
        cancel();
    }
    return {};
}

void Task::addSubTask(Task* sub) {
    if (sub == nullptr || sub == this || sub->parentTask != nullptr) {
        // The parent pointer says whether it was added already: no O(n) search per add.
        return;
    }
    sub->parentTask = this;
    {
        QMutexLocker l(&subtasksLock);
        subtasks.append(sub);
    }
    // A subtask added to a canceled parent must not start work of its own.
    if (isCanceled()) {
        sub->cancel();
    }
    Q_EMIT si_subtaskAdded(sub);
}

QList<Task*> Task::getSubtasks() const {
    QMutexLocker l(&subtasksLock);
    return subtasks;
}

int Task::getSubtaskCount() const {
    QMutexLocker l(&subtasksLock);
    return subtasks.size();
}

Task* Task::getSubtaskAt(int i) const {
    QMutexLocker l(&subtasksLock);
    return i >= 0 && i < subtasks.size() ? subtasks.at(i) : nullptr;
}

bool Task::takeSubTask(Task* sub) {
    QMutexLocker l(&subtasksLock);
    // A sequential group frees its subtasks in order, so the one to take is almost always first.
    const int i = subtasks.indexOf(sub);
    if (i < 0) {
        return false;
    }
    subtasks.removeAt(i);
    sub->parentTask = nullptr;
    ++freedSubtasks;
    return true;
}

Task* Task::getTopLevelParentTask() {
    Task* t = this;
    while (t->parentTask != nullptr) {
        t = t->parentTask;
    }
    return t;
}

void Task::cancel() {
    stateInfo.setCanceled(true);
    // Under the lock: a finished subtask is taken out of the list (takeSubTask, same lock) before
    // it is deleted, so every subtask seen here is alive. Locks are taken parent before child only.
    QMutexLocker l(&subtasksLock);
    for (Task* sub : qAsConst(subtasks)) {
        if (!sub->isFinished()) {
            sub->cancel();
        }
    }
}

int Task::getProgress() const {
    int own = stateInfo.getProgress();
    if (isFinished()) {
        return 100;
    }
    if (own >= 0) {
        return qBound(0, own, 100);
    }
    QList<Task*> subs = getSubtasks();
    const qint64 total = qint64(subs.size()) + freedSubtasks;
    if (total == 0) {
        return 0;
    }
    qint64 sum = qint64(freedSubtasks) * 100;
    for (Task* s : subs) {
        sum += s->getProgress();
    }
    return int(sum / total);
}

void TaskScheduler::setTaskState(Task* t, Task::State s) {
    if (t->state.load() == s) {
        return;
    }
    t->state.store(s);
    Q_EMIT t->si_stateChanged();
}

}  // namespace Nx
