#include "VariationTrackMessage.h"

#include <NxLang/base/BaseSlots.h>
#include <NxLang/engine/BaseWorker.h>
#include <NxLang/engine/WorkflowContext.h>
#include <NxLang/storage/StorageUtils.h>

#include <QCoreApplication>

namespace Nx {
namespace LocalWorkflow {

std::unique_ptr<VariantTrackObject> takeVariationTrack(BaseWorker& worker, Workflow::CommunicationChannel* input,
                                                       QString& error) {
    error.clear();
    const QVariantMap data = worker.getMessageAndSetupScriptValues(input).getData().toMap();
    const QString slotId = BaseSlots::VARIATION_TRACK_SLOT().getId();
    if (!data.contains(slotId)) {
        error = QCoreApplication::translate("VariationTrackMessage", "Variations slot is empty");
        return nullptr;
    }
    const SharedDbiDataHandler handler = data.value(slotId).value<SharedDbiDataHandler>();
    Workflow::WorkflowContext* context = worker.getContext();
    return std::unique_ptr<VariantTrackObject>(
        StorageUtils::getVariantTrackObject(context == nullptr ? nullptr : context->getDataStorage(), handler));
}

}  // namespace LocalWorkflow
}  // namespace Nx
