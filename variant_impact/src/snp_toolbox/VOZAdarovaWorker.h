// Worker of the "VOZAdarova-id" element: one annotation task per incoming variation track, and
// one empty message on the output for each track whose task succeeded.
#pragma once

#include <NxLang/engine/BaseWorker.h>

namespace Nx {
namespace LocalWorkflow {

class VOZAdarovaWorker : public BaseWorker {
    Q_OBJECT
public:
    explicit VOZAdarovaWorker(Actor* a);

    void start() override;
    Task* step() override;
    void finish() override;

private Q_SLOTS:
    void sl_taskFinished();

private:
    // Done once the input has ended and holds no message: the output ends with it.
    void finishIfInputDrained();

    IntegralBus* inChannel = nullptr;   // variation tracks to annotate; null until start
    IntegralBus* outChannel = nullptr;  // one empty message per annotated track; null until start
};

}  // namespace LocalWorkflow
}  // namespace Nx
