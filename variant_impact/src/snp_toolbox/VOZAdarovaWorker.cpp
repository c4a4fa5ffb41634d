#include "VOZAdarovaWorker.h"

#include "VOZAdarovaTask.h"
#include "VOZAdarovaWorkerFactory.h"

#include <element_pattern/VariationTrackMessage.h>

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/log/Logger.h>
#include <NxCore/tasks/FailTask.h>
#include <NxLang/base/BasePorts.h>

#include <memory>

namespace Nx {
namespace LocalWorkflow {

VOZAdarovaWorker::VOZAdarovaWorker(Actor* a) : BaseWorker(a, true) {
}

void VOZAdarovaWorker::start() {
    inChannel = ports.value(BasePorts::IN_VARIATION_TRACK_PORT_ID());
    outChannel = ports.value(BasePorts::OUT_VARIATION_TRACK_PORT_ID());
}

Task* VOZAdarovaWorker::step() {
    NxOpStatus2Log os(LogLevel_ERROR);
    if (inChannel == nullptr) {
        os.setError(tr("The element '%1' has no input of variations").arg(getActorId()));
        return new FailTask(os.getError());
    }
    if (inChannel->hasMessage()) {
        QString error;
        std::unique_ptr<VariantTrackObject> trackObject = takeVariationTrack(*this, inChannel, error);
        if (!error.isEmpty()) {
            os.setError(error);
            return new FailTask(os.getError());
        }
        if (trackObject == nullptr) {
            NX_RECOVER_MSG(tr("Can't get track object"));
            return nullptr;
        }
        QString dbPath = getValue<QString>(VOZAdarovaWorkerFactory::DB_PATH_ATTR_ID);
        NxDbiRef sessionRef = trackObject->getDbiRef();
        NxVariantTrack track = trackObject->getVariantTrack(os);
        if (os.hasError()) {
            return new FailTask(os.getError());
        }
        auto* task = new VOZAdarovaTask(dbPath, track, sessionRef);
        connect(task, &Task::si_stateChanged, this, &VOZAdarovaWorker::sl_taskFinished);
        return task;
    }
    finishIfInputDrained();
    return nullptr;
}

void VOZAdarovaWorker::sl_taskFinished() {
    auto* task = qobject_cast<VOZAdarovaTask*>(sender());
    NX_SAFE_POINT(task != nullptr, tr("Invalid task is encountered"), );
    if (task->isCanceled() || !task->isFinished() || task->hasError()) {
        return;
    }
    if (outChannel != nullptr) {
        outChannel->put(Message::getEmptyMapMessage());
    }
    finishIfInputDrained();
}

void VOZAdarovaWorker::finishIfInputDrained() {
    if (isDone() || inChannel == nullptr || !inChannel->isEnded() || inChannel->hasMessage()) {
        return;
    }
    setDone();
    if (outChannel != nullptr) {
        outChannel->setEnded();
    }
}

void VOZAdarovaWorker::finish() {
}

}  // namespace LocalWorkflow
}  // namespace Nx
