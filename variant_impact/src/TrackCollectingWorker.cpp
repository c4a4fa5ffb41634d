#include "TrackCollectingWorker.h"

#include "element_pattern/VariationTrackMessage.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/log/Logger.h>
#include <NxCore/tasks/FailTask.h>
#include <NxLang/base/BasePorts.h>
#include <NxLang/engine/WorkflowContext.h>
#include <NxLang/engine/WorkflowMonitor.h>

#include <memory>

namespace Nx {
namespace LocalWorkflow {

TrackCollectingWorker::TrackCollectingWorker(Actor* a) : BaseWorker(a, true) {
}

void TrackCollectingWorker::start() {
    input = ports.value(BasePorts::IN_VARIATION_TRACK_PORT_ID());
}

Task* TrackCollectingWorker::step() {
    NxOpStatus2Log os(LogLevel_ERROR);
    if (input == nullptr) {
        os.setError(tr("The element '%1' has no input of variations").arg(getActorId()));
        return new FailTask(os.getError());
    }
    // The engine may call again while the task runs or after it failed: one task per input.
    if (taskStarted) {
        return nullptr;
    }
    while (input->hasMessage()) {
        QString error;
        std::unique_ptr<VariantTrackObject> trackObject = takeVariationTrack(*this, input, error);
        if (!error.isEmpty()) {
            os.setError(error);
            return new FailTask(os.getError());
        }
        NX_SAFE_POINT(trackObject != nullptr, tr("Can't get track object"), nullptr);
        const NxVariantTrack track = trackObject->getVariantTrack(os);
        if (os.hasError()) {
            return new FailTask(os.getError());
        }
        if (dbiRef.isValid() && trackObject->getDbiRef() != dbiRef) {
            if (failOnMixedDatabases()) {
                os.setError(tr("Tracks are stored in different databases"));
                return new FailTask(os.getError());
            }
            tracks << track;
            NX_RECOVER_MSG(tr("Tracks are stored in different databases"));
            return nullptr;
        }
        dbiRef = trackObject->getDbiRef();
        tracks << track;
    }
    if (!input->isEnded()) {
        return nullptr;
    }
    taskStarted = true;
    Task* task = createTask(tracks, dbiRef);
    connect(task, &Task::si_stateChanged, this, &TrackCollectingWorker::sl_taskFinished);
    return task;
}

void TrackCollectingWorker::sl_taskFinished() {
    auto* task = qobject_cast<Task*>(sender());
    NX_SAFE_POINT(task != nullptr, tr("Invalid task is encountered"), );
    if (task->isCanceled() || !task->isFinished() || task->hasError()) {
        return;
    }
    if (input != nullptr && input->isEnded() && !input->hasMessage()) {
        setDone();
    }
    WorkflowMonitor* monitor = context != nullptr ? context->getMonitor() : nullptr;
    if (monitor == nullptr) {
        return;
    }
    for (const QString& path : outputFilesOf(task)) {
        monitor->addOutputFile(path, getActorId());
    }
}

void TrackCollectingWorker::finish() {
    tracks.clear();
    dbiRef = NxDbiRef();
}

}  // namespace LocalWorkflow
}  // namespace Nx
