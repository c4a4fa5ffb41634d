// The channel of one port. Input buses queue what their linked outputs send. Output buses
// remember the slots of the message their worker took last ("context"): every message put is
// merged over that context, so an empty message sent on still carries the track handle of the
// message that caused it.
#pragma once

#include <NxLang/engine/CommunicationChannel.h>

#include <QList>
#include <QObject>
#include <QQueue>

namespace Nx {
namespace Workflow {

class IntegralBus : public QObject, public CommunicationChannel {
    Q_OBJECT
public:
    IntegralBus(const QString& portId, bool input, QObject* parent = nullptr);

    const QString& getPortId() const { return portId; }
    bool isInput() const { return input; }

    Message get() override;
    Message look() const override;
    void put(const Message& m) override;
    bool hasMessage() const override { return !queue.isEmpty(); }
    int hasMessages() const override { return queue.size(); }
    int takenMessages() const override { return taken; }
    int putMessages() const { return sent; }
    bool isEnded() const override;
    void setEnded() override;

    // Wiring, done by the engine before the run: this output feeds that input.
    void addReceiver(IntegralBus* in);
    // Slots carried on with every message put on this output.
    void setContext(const QVariantMap& slotValues) { context = slotValues; }
    const QVariantMap& getContext() const { return context; }

private:
    void deliver(const Message& m) { queue.enqueue(m); }
    void upstreamEnded() { endedSenders++; }

    QString portId;
    bool input;
    QQueue<Message> queue;          // input: messages waiting to be taken
    int senders = 0;                // input: linked outputs
    int endedSenders = 0;           // input: linked outputs that have ended
    QList<IntegralBus*> receivers;  // output: linked inputs, not owned
    QVariantMap context;            // output: slots of the message the worker took last
    bool ended = false;             // output: setEnded was called
    int taken = 0;
    int sent = 0;
};

}  // namespace Workflow
using namespace Workflow;
}  // namespace Nx
