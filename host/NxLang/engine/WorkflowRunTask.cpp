#include "WorkflowRunTask.h"

#include <NxLang/engine/WorkflowScheduler.h>

namespace Nx {
namespace LocalWorkflow {

WorkflowRunTask::WorkflowRunTask(Workflow::Schema* schema, Workflow::WorkflowContext* ctx)
    : Task(tr("Workflow run"), TaskFlag_None), schema(schema), context(ctx) {}

WorkflowRunTask::~WorkflowRunTask() {
    delete engine;
}

void WorkflowRunTask::prepare() {
    engine = new WorkflowScheduler(schema, context);
    engine->init(stateInfo);
    if (stateInfo.hasError()) {
        engineDone.release();
        return;
    }
    connect(engine, &WorkflowScheduler::si_finished, this, &WorkflowRunTask::sl_engineFinished);
    engine->start();
}

void WorkflowRunTask::run() {
    engineDone.acquire();
}

Task::ReportResult WorkflowRunTask::report() {
    // A cancel skips run(); the loop still has to wait for the tasks it canceled.
    if (engine != nullptr && engine->isStartedAndRunning()) {
        return ReportResult_CallMeAgain;
    }
    if (engine != nullptr && engine->hasError()) {
        setError(engine->getError());
    }
    return ReportResult_Finished;
}

void WorkflowRunTask::cancel() {
    Task::cancel();
    // The loop lives on the main thread; cancel may come from anywhere.
    QMetaObject::invokeMethod(this, "sl_cancelEngine", Qt::QueuedConnection);
}

void WorkflowRunTask::sl_cancelEngine() {
    if (engine != nullptr && !engine->isFinished()) {
        engine->cancel();
    }
}

void WorkflowRunTask::sl_engineFinished() {
    engineDone.release();
}

}  // namespace LocalWorkflow
}  // namespace Nx
