#include "IntegralBus.h"

#include <NxCore/log/Logger.h>

namespace Nx {
namespace Workflow {

IntegralBus::IntegralBus(const QString& portId, bool input, QObject* parent)
    : QObject(parent), portId(portId), input(input) {}

Message IntegralBus::get() {
    if (queue.isEmpty()) {
        return Message();
    }
    taken++;
    return queue.dequeue();
}

Message IntegralBus::look() const {
    return queue.isEmpty() ? Message() : queue.head();
}

void IntegralBus::put(const Message& m) {
    NX_SAFE_POINT(!input, "Message put on an input channel", );
    NX_SAFE_POINT(!ended, QString("Message put on the ended output channel %1").arg(portId), );
    QVariant data = m.getData();
    if (data.type() == QVariant::Map || !data.isValid()) {
        QVariantMap merged = context;
        const QVariantMap own = data.toMap();
        for (auto it = own.begin(); it != own.end(); ++it) {
            merged[it.key()] = it.value();
        }
        data = merged;
    }
    sent++;
    const Message out(m.getType(), data);
    for (IntegralBus* r : receivers) {
        r->deliver(out);
    }
}

bool IntegralBus::isEnded() const {
    return input ? endedSenders >= senders : ended;
}

void IntegralBus::setEnded() {
    if (input || ended) {
        return;
    }
    ended = true;
    for (IntegralBus* r : receivers) {
        r->upstreamEnded();
    }
}

void IntegralBus::addReceiver(IntegralBus* in) {
    receivers << in;
    in->senders++;
}

}  // namespace Workflow
}  // namespace Nx
