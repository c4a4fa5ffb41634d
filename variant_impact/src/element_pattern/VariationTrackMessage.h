// What every element with a variation-track input does with a message it takes: find the track
// that the message's variation slot names in the run's storage.
#pragma once

#include <NxCore/dbi/VariantTrackObject.h>

#include <QString>

#include <memory>

namespace Nx {
namespace Workflow {
class CommunicationChannel;
}
namespace LocalWorkflow {

class BaseWorker;

// Takes the next message of the input (through the worker, so that its slots reach the outputs)
// and returns the track object it names. Null with error "Variations slot is empty" when the
// message has no variation slot; null with error empty when the slot names no track that the
// run's storage knows: each element decides what that costs it.
std::unique_ptr<VariantTrackObject> takeVariationTrack(BaseWorker& worker, Workflow::CommunicationChannel* input,
                                                       QString& error);

}  // namespace LocalWorkflow
}  // namespace Nx
