// The engine's scheduling loop. One run of one workflow, entirely on the thread that owns this
// object (the main thread): tasks that steps return go to the application's task scheduler,
// and their state signals bring the loop back here.
//
// One turn (sl_tick), over the workers in upstream-to-downstream order:
//   1. Skip a worker that is done or whose last task still runs.
//   2. While it is ready and not done: step. A returned task is registered and ends this
//      worker's turn; a step that changed nothing (no message taken or sent, not done) ends it
//      too. A worker that became done gets its outputs ended, if it did not end them itself.
//   3. All workers done: finish every worker; the run succeeded.
//   4. Nothing moved and no task runs: the run is stalled; it fails with an error that names
//      the elements still waiting.
// A failed task (or an error reported to the monitor) fails the run with that message; tasks
// still running are canceled and waited for before the workers are finished, so no task
// outlives the run's database.
#pragma once

#include <NxLang/engine/IntegralBus.h>
#include <NxLang/engine/Worker.h>

#include <QList>
#include <QObject>
#include <QPointer>

namespace Nx {

class NxOpStatus;
class Task;

namespace Workflow {
class Actor;
class Schema;
class WorkflowContext;
}  // namespace Workflow

namespace LocalWorkflow {

class BaseWorker;

class WorkflowScheduler : public QObject {
    Q_OBJECT
public:
    // Borrows schema and context; both must outlive the scheduler.
    WorkflowScheduler(Workflow::Schema* schema, Workflow::WorkflowContext* ctx, QObject* parent = nullptr);
    ~WorkflowScheduler() override;

    // Makes the channels and one worker per actor (through the local domain), then runs every
    // element's run checks (ActorPrototype::checkBeforeRun) and checks its output files. Sets
    // an error naming the element when no worker can be made or there is no task scheduler,
    // and one error listing every problem the checks found.
    void init(NxOpStatus& os);
    // Starts the workers and the loop (the first turn comes from the event loop).
    void start();
    // Fails the run as canceled; running tasks are canceled.
    void cancel();

    bool isFinished() const { return finished; }
    bool isStartedAndRunning() const { return started && !finished; }
    bool hasError() const { return !error.isEmpty(); }
    const QString& getError() const { return error; }

Q_SIGNALS:
    void si_finished();

private Q_SLOTS:
    void sl_tick();
    void sl_taskStateChanged();
    void sl_taskProgressChanged();

private:
    struct Entry {
        Workflow::Actor* actor = nullptr;
        Workflow::Worker* worker = nullptr;  // owned
        QList<Workflow::IntegralBus*> buses; // the actor's channels
        QPointer<Task> task;                 // the worker's last task while it runs
        Task* taskKey = nullptr;             // same pointer, for lookup after the task died
        int shownProgress = -1;              // last progress tenth shown for that task
        QString lastTaskName;                // of the element's previous task
    };

    void scheduleTick();
    void fail(const QString& message);
    void complete();
    int runningTasks() const;
    static qint64 signature(const Entry& e);
    static QStringList outputFileProblems(BaseWorker* worker);

    Workflow::Schema* schema;
    Workflow::WorkflowContext* context;
    QList<Entry> entries;   // upstream-to-downstream order
    bool started = false;
    bool tickPending = false;
    bool failing = false;   // an error is set; waiting for running tasks
    bool finished = false;
    QString error;
};

}  // namespace LocalWorkflow
}  // namespace Nx
