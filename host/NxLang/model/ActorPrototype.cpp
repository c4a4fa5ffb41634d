#include "ActorPrototype.h"

#include <NxLang/model/Actor.h>
#include <NxLang/model/Port.h>

namespace Nx {
namespace Workflow {

ActorPrototype::ActorPrototype(const Descriptor& desc, const QList<PortDescriptor*>& ports,
                               const QList<Attribute*>& attrs)
    : Descriptor(desc), ports(ports), attrs(attrs) {}

ActorPrototype::~ActorPrototype() {
    qDeleteAll(ports);
    qDeleteAll(attrs);
    delete prompter;
    delete editor;
}

QStringList ActorPrototype::checkBeforeRun(LocalWorkflow::BaseWorker* worker) const {
    QStringList problems;
    for (const RunCheck& check : runChecks) {
        problems += check(worker);
    }
    return problems;
}

Attribute* ActorPrototype::getAttribute(const QString& id) const {
    for (Attribute* a : attrs) {
        if (a->getId() == id) {
            return a;
        }
    }
    return nullptr;
}

void ActorPrototype::setPrompter(Prompter* p) {
    if (p == prompter) {
        return;
    }
    delete prompter;
    prompter = p;
}

void ActorPrototype::setEditor(ConfigurationEditor* e) {
    if (e == editor) {
        return;
    }
    delete editor;
    editor = e;
}

Port* ActorPrototype::createPort(const PortDescriptor& d, Actor* owner) {
    return new Port(d, owner);
}

Actor* ActorPrototype::createInstance(const QString& actorId) {
    Actor* actor = new Actor(this, actorId);
    for (const PortDescriptor* pd : ports) {
        actor->addPort(createPort(*pd, actor));
    }
    for (const Attribute* a : attrs) {
        actor->addParameter(new Attribute(*a));
    }
    if (prompter != nullptr) {
        actor->setDescription(prompter->createDescription(actor));
    }
    return actor;
}

Port* IntegralBusActorPrototype::createPort(const PortDescriptor& d, Actor* owner) {
    return new IntegralBusPort(d, owner);
}

}  // namespace Workflow
}  // namespace Nx
