#include "Actor.h"

#include <NxLang/model/ActorPrototype.h>
#include <NxLang/model/Port.h>
#include <NxLang/model/Prompter.h>

namespace Nx {
namespace Workflow {

Actor::Actor(ActorPrototype* proto, const QString& id) : QObject(nullptr), id(id), proto(proto), label(id) {}

Actor::~Actor() {
    delete description;
    description = nullptr;
    qDeleteAll(ports);
    qDeleteAll(params);
}

void Actor::setLabel(const QString& l) {
    if (l == label) {
        return;
    }
    label = l;
    Q_EMIT si_labelChanged();
}

void Actor::setParameter(const QString& attrId, const QVariant& value) {
    Attribute* a = params.value(attrId);
    if (a == nullptr) {
        return;
    }
    a->setAttributeValue(value);
    a->setAttributeScript(AttributeScript());
    Q_EMIT si_modified();
}

void Actor::addParameter(Attribute* a) {
    delete params.value(a->getId());
    params[a->getId()] = a;
}

Port* Actor::getPort(const QString& portId) const {
    for (Port* p : ports) {
        if (p->getId() == portId) {
            return p;
        }
    }
    return nullptr;
}

QList<Port*> Actor::getInputPorts() const {
    QList<Port*> res;
    for (Port* p : ports) {
        if (p->isInput()) {
            res << p;
        }
    }
    return res;
}

QList<Port*> Actor::getOutputPorts() const {
    QList<Port*> res;
    for (Port* p : ports) {
        if (p->isOutput()) {
            res << p;
        }
    }
    return res;
}

void Actor::addPort(Port* p) { ports << p; }

void Actor::setDescription(ActorDocument* d) {
    if (d == description) {
        return;
    }
    delete description;
    description = d;
}

}  // namespace Workflow
}  // namespace Nx
