// A port of an actor and its links to ports of other actors. An integral-bus port also answers
// which actor feeds a given slot: output ports that carry no slot of their own pass on the slots
// their actor received, so the producer of a slot may sit several links upstream.
#pragma once

#include <NxLang/model/PortDescriptor.h>

#include <QList>
#include <QObject>
#include <QPointer>

namespace Nx {
namespace Workflow {

class Actor;

class Port : public QObject, public PortDescriptor {
    Q_OBJECT
public:
    Port(const PortDescriptor& d, Actor* owner);
    ~Port() override;

    Actor* owner() const { return ownerActor; }
    // Ports at the other end of this port's links.
    QList<Port*> getLinks() const { return peers; }
    bool isLinkedWith(Port* other) const { return peers.contains(other); }
    // Links both ends; emits bindingChanged() on both.
    void addLink(Port* other);
    void removeLink(Port* other);

    // Runtime object of the port while a workflow runs (its channel); not owned, and null
    // again once the run has deleted it.
    QObject* getPeer() const { return peer.data(); }
    void setPeer(QObject* p) { peer = p; }

Q_SIGNALS:
    void bindingChanged();

private:
    Actor* ownerActor;
    QList<Port*> peers;  // linked ports, not owned
    QPointer<QObject> peer;
};

class IntegralBusPort : public Port {
    Q_OBJECT
public:
    IntegralBusPort(const PortDescriptor& d, Actor* owner) : Port(d, owner) {}

    // The actor whose output first carries the slot into this input port, or null when no
    // linked upstream path provides it.
    Actor* getProducer(const QString& slotId) const;
};

}  // namespace Workflow
using namespace Workflow;
}  // namespace Nx
