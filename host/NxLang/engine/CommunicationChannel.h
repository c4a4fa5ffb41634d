// One direction of a port while a workflow runs: an input channel is read with get/look, an
// output channel is written with put and closed with setEnded.
#pragma once

#include <NxLang/engine/Message.h>

namespace Nx {
namespace Workflow {

class CommunicationChannel {
public:
    virtual ~CommunicationChannel() = default;

    // Takes the oldest waiting message (an empty Message when none waits).
    virtual Message get() = 0;
    // The oldest waiting message, left in place.
    virtual Message look() const = 0;
    virtual void put(const Message& m) = 0;
    virtual bool hasMessage() const = 0;
    virtual int hasMessages() const = 0;
    // Messages taken so far.
    virtual int takenMessages() const = 0;
    // An input has ended when every channel feeding it has ended (messages may still wait).
    virtual bool isEnded() const = 0;
    virtual void setEnded() = 0;
};

}  // namespace Workflow
using namespace Workflow;
}  // namespace Nx
