#include "Port.h"

#include <NxLang/model/Actor.h>

#include <QSet>

namespace Nx {
namespace Workflow {

Port::Port(const PortDescriptor& d, Actor* owner) : QObject(nullptr), PortDescriptor(d), ownerActor(owner) {}

Port::~Port() {
    for (Port* p : peers) {
        p->peers.removeAll(this);
    }
}

void Port::addLink(Port* other) {
    if (other == nullptr || peers.contains(other)) {
        return;
    }
    peers << other;
    other->peers << this;
    Q_EMIT bindingChanged();
    Q_EMIT other->bindingChanged();
}

void Port::removeLink(Port* other) {
    if (!peers.removeAll(other)) {
        return;
    }
    other->peers.removeAll(this);
    Q_EMIT bindingChanged();
    Q_EMIT other->bindingChanged();
}

static bool typeHasSlot(const DataTypePtr& t, const QString& slotId) {
    if (t.isNull()) {
        return false;
    }
    for (const Descriptor& d : t->getAllDescriptors()) {
        if (d.getId() == slotId) {
            return true;
        }
    }
    return false;
}

// Walks upstream: an output that declares the slot is the producer; an output that does not
// passes on whatever its actor's inputs received.
static Actor* findProducer(const Port* inPort, const QString& slotId, QSet<const Actor*>& seen) {
    for (Port* out : inPort->getLinks()) {
        Actor* a = out->owner();
        if (typeHasSlot(out->getType(), slotId)) {
            return a;
        }
        if (seen.contains(a)) {
            continue;
        }
        seen.insert(a);
        for (Port* upIn : a->getInputPorts()) {
            if (Actor* p = findProducer(upIn, slotId, seen)) {
                return p;
            }
        }
    }
    return nullptr;
}

Actor* IntegralBusPort::getProducer(const QString& slotId) const {
    if (!isInput()) {
        return nullptr;
    }
    QSet<const Actor*> seen;
    seen.insert(owner());
    return findProducer(this, slotId, seen);
}

}  // namespace Workflow
}  // namespace Nx
