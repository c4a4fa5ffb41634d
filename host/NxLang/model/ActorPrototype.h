// The definition of an element type: what the registry holds and what a workflow file names by
// id. It owns its port descriptors, attributes, prompter and editor; createInstance makes an
// actor with copies of the attributes and one port per descriptor.
#pragma once

#include <NxLang/model/Attribute.h>
#include <NxLang/model/ConfigurationEditor.h>
#include <NxLang/model/PortDescriptor.h>
#include <NxLang/model/Prompter.h>

#include <QList>
#include <QStringList>

#include <functional>

namespace Nx {
namespace LocalWorkflow {
class BaseWorker;
}
namespace Workflow {

class Actor;
class Port;

// What the engine asks of an element before the first element of a run starts: the problems
// that would stop the element's worker later and can be seen now (a missing file, a database
// that does not open), one text each; none when all is well. The worker is made and has its
// context, so it reads its attribute values as it will during the run.
using RunCheck = std::function<QStringList(LocalWorkflow::BaseWorker* worker)>;

class ActorPrototype : public Descriptor {
public:
    ActorPrototype(const Descriptor& desc, const QList<PortDescriptor*>& ports, const QList<Attribute*>& attrs);
    ~ActorPrototype() override;

    const QList<PortDescriptor*>& getPortDesciptors() const { return ports; }
    const QList<PortDescriptor*>& getPortDescriptors() const { return ports; }
    const QList<Attribute*>& getAttributes() const { return attrs; }
    Attribute* getAttribute(const QString& id) const;

    // Takes ownership of both.
    void setPrompter(Prompter* p);
    void setEditor(ConfigurationEditor* e);
    Prompter* getPrompter() const { return prompter; }

    void addRunCheck(const RunCheck& check) { runChecks.append(check); }
    // The problems every run check of the element finds, in the order the checks were added.
    QStringList checkBeforeRun(LocalWorkflow::BaseWorker* worker) const;
    ConfigurationEditor* getEditor() const { return editor; }

    // A new actor of this type; the caller owns it.
    virtual Actor* createInstance(const QString& actorId);

protected:
    virtual Port* createPort(const PortDescriptor& d, Actor* owner);

    QList<PortDescriptor*> ports;  // inputs first by convention
    QList<Attribute*> attrs;       // in display order
    Prompter* prompter = nullptr;
    ConfigurationEditor* editor = nullptr;
    QList<RunCheck> runChecks;
};

// A prototype whose ports are integral-bus ports: slots of a taken message travel on through
// the element's outputs.
class IntegralBusActorPrototype : public ActorPrototype {
public:
    IntegralBusActorPrototype(const Descriptor& desc, const QList<PortDescriptor*>& ports = {},
                              const QList<Attribute*>& attrs = {})
        : ActorPrototype(desc, ports, attrs) {}

protected:
    Port* createPort(const PortDescriptor& d, Actor* owner) override;
};

}  // namespace Workflow
using namespace Workflow;
}  // namespace Nx
