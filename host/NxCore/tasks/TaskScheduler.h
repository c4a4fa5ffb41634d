// The scheduler interface: keeps the top-level tasks and drives them to the finished state.
// TaskSchedulerImpl (NxPrivate) is the real one; see there for the threading rules.
#pragma once

#include <NxCore/tasks/Task.h>

#include <QList>
#include <QObject>

namespace Nx {

class TaskScheduler : public QObject {
    Q_OBJECT
public:
    explicit TaskScheduler(QObject* parent = nullptr) : QObject(parent) {}

    // Takes ownership unless the task has TaskFlag_NoAutoDelete. Main thread only.
    virtual void registerTopLevelTask(Task* task) = 0;
    // Forgets a finished top-level task (the scheduler calls it itself at the end of a task).
    virtual void unregisterTopLevelTask(Task* task) = 0;
    virtual void cancelTask(Task* task) = 0;
    virtual void cancelAllTasks() = 0;
    virtual QList<Task*> getTopLevelTasks() const = 0;

Q_SIGNALS:
    void si_topLevelTaskRegistered(Nx::Task* task);
    void si_topLevelTaskUnregistered(Nx::Task* task);
    void si_stateChanged(Nx::Task* task);

protected:
    // What a scheduler implementation may change inside a task.
    // Sets the state and emits the task's si_stateChanged().
    static void setTaskState(Task* t, Task::State s);
    // Sets the state only; the caller emits the task's si_stateChanged() when it is safe.
    static void setTaskStateSilently(Task* t, Task::State s) { t->state.store(s); }
    static void setTaskElapsed(Task* t, qint64 ms) { t->elapsedMs = ms; }
    static void setTaskParent(Task* t, Task* parent) { t->parentTask = parent; }
};

}  // namespace Nx
