// The unit of work of the suite. A task is prepared and reported on the main (event-loop)
// thread and runs its run() on a pool thread of the scheduler. Subtasks run after the parent's
// prepare() and before its run(); by default a failed subtask fails its parent. A parent owns
// its subtasks and deletes them with itself, or as soon as each has finished when it frees
// finished subtasks (SequentialMultiTask does, so a group of a million tasks stays small).
#pragma once

#include <NxCore/tasks/TaskStateInfo.h>

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

#include <atomic>

namespace Nx {

enum TaskFlag {
    TaskFlag_None = 0,
    // The task has no run() body of its own: it only prepares, runs subtasks and reports.
    TaskFlag_NoRun = 1,
    // Bit 0x2 means nothing. Callers of an older numbering pass it (as 2, 0xC02) where it used to
    // mean "never delete"; such tasks must still be deleted, so it is kept free on purpose.
    // A failed subtask fails the parent (this is the default behaviour anyway).
    TaskFlag_FailOnSubtaskError = 4,
    // A canceled subtask cancels the parent.
    TaskFlag_CancelOnSubtaskCancel = 8,
    // A failed subtask does not fail the parent: its error stays on the subtask.
    TaskFlag_NoFailOnSubtaskError = 0x10,
    // The parent takes a failed subtask's error text as it is, without naming the subtask.
    TaskFlag_PropagateSubtaskErrorText = 0x400,
    // The scheduler logs the finished task (name, duration, outcome) to "Tasks" at info level.
    TaskFlag_ReportOnFinish = 0x800,
    // The scheduler does not delete the task after it finished: whoever made it keeps it and
    // deletes it. A subtask with this flag is handed back to its maker instead of being freed.
    TaskFlag_NoAutoDelete = 0x10000,
    // The failure of this top-level task is reported by whoever registered it (the workflow
    // engine names the element); the scheduler logs it only at details level.
    TaskFlag_ErrorReportedByOwner = 0x20000,
};
Q_DECLARE_FLAGS(TaskFlags, TaskFlag)

class TaskScheduler;

class Task : public QObject {
    Q_OBJECT
public:
    enum State { State_New, State_Prepared, State_Running, State_Finished };
    enum ReportResult { ReportResult_Finished, ReportResult_CallMeAgain };

    Task(const QString& name, TaskFlags flags);
    ~Task() override;

    // Main thread, once, before the subtasks start. May add subtasks or set an error.
    virtual void prepare() {}
    // Pool thread, once, after every subtask finished (skipped with TaskFlag_NoRun, on error or
    // on cancel). Must touch only the task's own data and its stateInfo.
    virtual void run() {}
    // Main thread, after run(); ReportResult_CallMeAgain asks to be called on the next turn.
    virtual ReportResult report() { return ReportResult_Finished; }
    // Main thread, when a subtask has finished. The default makes the subtask's error the
    // parent's error (unless TaskFlag_NoFailOnSubtaskError) and, with
    // TaskFlag_CancelOnSubtaskCancel, a canceled subtask cancels the parent. The returned tasks
    // are added as new subtasks.
    virtual QList<Task*> onSubTaskFinished(Task* subTask);

    // Takes ownership. Call before the task started or from prepare()/onSubTaskFinished().
    // A task that already has a parent is not added again.
    void addSubTask(Task* sub);
    // The subtasks not yet freed, in the order they were added. A copy: costs O(n) once the
    // list changes, so the scheduler walks the list with the two calls below instead.
    QList<Task*> getSubtasks() const;
    int getSubtaskCount() const;
    Task* getSubtaskAt(int i) const;  // null when out of range
    // Gives up ownership of a finished subtask: it leaves the list, its parent becomes null.
    // Returns false when it is not a subtask of this task.
    bool takeSubTask(Task* sub);
    // Finished subtasks removed from the list so far (they count as done in getProgress).
    int getFreedSubtaskCount() const { return freedSubtasks; }

    // Whether the scheduler deletes each subtask once it finished and onSubTaskFinished() ran,
    // instead of keeping it until this task is deleted. Off by default: a parent may read its
    // subtasks in run() or report().
    bool freesFinishedSubtasks() const { return freeFinishedSubtasks; }
    void setFreeFinishedSubtasks(bool on) { freeFinishedSubtasks = on; }
    Task* getParentTask() const { return parentTask; }
    Task* getTopLevelParentTask();
    bool isTopLevelTask() const { return parentTask == nullptr; }

    State getState() const { return state.load(); }
    bool isFinished() const { return getState() == State_Finished; }
    bool isRunning() const { return getState() == State_Running; }

    bool hasError() const { return stateInfo.hasError(); }
    QString getError() const { return stateInfo.getError(); }
    void setError(const QString& err) { stateInfo.setError(err); }
    bool isCanceled() const { return stateInfo.isCanceled(); }
    // Safe from any thread; reaches every subtask, running or not.
    virtual void cancel();

    // 0..100; a task that never set its own progress reports the mean of its subtasks (freed
    // ones count as 100).
    virtual int getProgress() const;

    const QString& getTaskName() const { return taskName; }
    void setTaskName(const QString& n) { taskName = n; }
    TaskFlags getFlags() const { return flags; }
    bool hasFlags(TaskFlags f) const { return (flags & f) == f; }
    void setFlag(TaskFlag f, bool on = true) { flags.setFlag(f, on); }
    qint64 getTaskId() const { return taskId; }

    // At most this many subtasks run at the same time, started in list order; 0 = no limit.
    int getMaxParallelSubtasks() const { return maxParallelSubtasks; }
    void setMaxParallelSubtasks(int n) { maxParallelSubtasks = n; }

    // Wall-clock milliseconds from prepare() to the finished state (-1 until then).
    qint64 getElapsedMs() const { return elapsedMs; }

    TaskStateInfo stateInfo;

Q_SIGNALS:
    // Emitted on the main thread at every state change: New->Prepared->Running->Finished.
    void si_stateChanged();
    void si_progressChanged();
    void si_subtaskAdded(Nx::Task* sub);

private:
    friend class TaskScheduler;

    QString taskName;
    TaskFlags flags;
    qint64 taskId;
    std::atomic<State> state{State_New};
    Task* parentTask = nullptr;             // the task that owns this one, null at top level
    QList<Task*> subtasks;                  // owned, in the order they were added
    int freedSubtasks = 0;                  // finished subtasks already taken out of the list
    bool freeFinishedSubtasks = false;
    mutable QMutex subtasksLock;            // cancel() may walk the list from another thread
    int maxParallelSubtasks = 0;
    qint64 elapsedMs = -1;
};

}  // namespace Nx

Q_DECLARE_OPERATORS_FOR_FLAGS(Nx::TaskFlags)
