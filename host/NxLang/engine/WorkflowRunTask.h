// One run of a workflow as a task of the application's scheduler, so that a run is a top-level
// task like any other (the console waits for it, its error is the run's error).
//
// prepare() makes the workers and starts the scheduling loop on the main thread; run() only
// waits on its pool thread until the loop has ended; report() takes the loop's error. The
// tasks the workers return are top-level tasks of their own.
#pragma once

#include <NxCore/tasks/Task.h>

#include <QPointer>
#include <QSemaphore>

namespace Nx {
namespace Workflow {
class Schema;
class WorkflowContext;
}  // namespace Workflow

namespace LocalWorkflow {

class WorkflowScheduler;

class WorkflowRunTask : public Task {
    Q_OBJECT
public:
    // Borrows schema and context: both must outlive the task.
    WorkflowRunTask(Workflow::Schema* schema, Workflow::WorkflowContext* ctx);
    ~WorkflowRunTask() override;

    void prepare() override;
    void run() override;
    ReportResult report() override;
    void cancel() override;

private Q_SLOTS:
    void sl_engineFinished();
    void sl_cancelEngine();

private:
    Workflow::Schema* schema;
    Workflow::WorkflowContext* context;
    WorkflowScheduler* engine = nullptr;  // owned; lives on the main thread
    QSemaphore engineDone;                // released once when the loop has ended
};

}  // namespace LocalWorkflow
}  // namespace Nx
