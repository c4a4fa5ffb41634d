// The real scheduler. All bookkeeping happens on the thread that owns the scheduler (the main
// thread with the event loop): prepare(), report(), onSubTaskFinished() and every state signal
// run there, driven by queued calls; only run() goes to a QThreadPool sized to the machine.
//
// One turn of the loop (sl_update), for every task from the top down:
//   1. New: prepare(), then Prepared and Running are signalled.
//   2. Start subtasks in list order (at most getMaxParallelSubtasks() at once), none once the
//      task is canceled or failed; each finished subtask goes through onSubTaskFinished(), and a
//      parent that failed cancels its still-running subtasks.
//   3. All subtasks finished: run() on a pool thread unless TaskFlag_NoRun, error or cancel.
//   4. report() until it answers ReportResult_Finished; then Finished is signalled.
//   5. A finished top-level task is unregistered, its error logged to "Tasks", and it is
//      deleted later unless it has TaskFlag_NoAutoDelete. A parent that frees finished subtasks
//      (a SequentialMultiTask) loses each subtask right after onSubTaskFinished().
#pragma once

#include <NxCore/tasks/TaskScheduler.h>

#include <QHash>
#include <QThreadPool>
#include <QTimer>

namespace Nx {

class AppResourcePool;

class TaskSchedulerImpl : public TaskScheduler {
    Q_OBJECT
public:
    // The pool gets the resource pool's thread count (at least 2, so one blocking process run
    // never starves the rest); without a resource pool, the number of cores.
    explicit TaskSchedulerImpl(AppResourcePool* resourcePool = nullptr, QObject* parent = nullptr);
    // Cancels what still runs, waits for the pool and deletes the auto-delete tasks left.
    ~TaskSchedulerImpl() override;

    void registerTopLevelTask(Task* task) override;
    void unregisterTopLevelTask(Task* task) override;
    void cancelTask(Task* task) override;
    void cancelAllTasks() override;
    QList<Task*> getTopLevelTasks() const override { return topLevelTasks; }

    int getThreadCount() const { return pool.maxThreadCount(); }

private Q_SLOTS:
    void sl_update();
    void sl_progressTick();

private:
    struct Record;
    enum class Phase { New, Subtasks, Run, Running, Report, Done };

    void scheduleUpdate();
    bool process(Record* r);                  // true when the record's task reached Finished
    void processSubtasks(Record* r);
    // Takes a finished subtask out of its parent's list and deletes it (unless NoAutoDelete).
    void freeSubtask(Record* r, Task* sub);
    void startRun(Record* r);
    void finishTopLevel(Record* r);
    void emitProgress(Record* r);
    static void deleteRecord(Record* r);

    QThreadPool pool;
    QTimer progressTimer;
    QList<Task*> topLevelTasks;               // registration order
    QHash<Task*, Record*> records;            // top-level task -> its record tree
    bool updatePending = false;
};

}  // namespace Nx
