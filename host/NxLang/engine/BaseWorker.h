// Base of every element's worker. Gives the channel of each port (ports, by port id), the run's
// context, typed attribute reads and the done flag; elements write start, step and finish.
//
// With autoTransitBus (the usual case) taking a message through getMessageAndSetupScriptValues
// makes its slots the context of every output channel, so whatever the worker puts next
// carries them on.
#pragma once

#include <NxLang/engine/IntegralBus.h>
#include <NxLang/engine/Worker.h>
#include <NxLang/model/Actor.h>

#include <QMap>
#include <QObject>
#include <QStringList>

namespace Nx {
namespace Workflow {
class WorkflowContext;
}

namespace LocalWorkflow {

class BaseWorker : public QObject, public Workflow::Worker {
    Q_OBJECT
public:
    BaseWorker(Workflow::Actor* a, bool autoTransitBus = true);
    ~BaseWorker() override = default;

    virtual QString getActorId() const;
    virtual void setDone();
    // Files this element writes (values of its output-file attributes), made absolute.
    virtual QStringList getOutputFiles();
    // Takes the next message of the channel; sets the output contexts and the variables of the
    // attribute scripts from its slots.
    virtual Workflow::Message getMessageAndSetupScriptValues(Workflow::CommunicationChannel* channel);
    virtual bool canTaskBeCanceled(Task* t) const;

    // Ready when not done and a message waits on an input or an input has ended; an element
    // without inputs is always ready until done.
    bool isReady() const override;
    bool isDone() const override { return done; }

    Workflow::Actor* getActor() const { return actor; }
    Workflow::WorkflowContext* getContext() const { return context; }

    // The attribute's value as a worker reads it: after its script, made absolute for output
    // files; an attribute the actor does not have reads as an empty value.
    QVariant getAttributeValue(const QString& attrId) const;
    // False when the attribute's value comes from a script: the script may need the slots of
    // a message, so the value is known only during the run (and checks before it skip it).
    bool isValueKnownBeforeRun(const QString& attrId) const;
    template <class T>
    T getValue(const QString& attrId) const {
        return getAttributeValue(attrId).template value<T>();
    }

    // Set by the engine before start (tests that drive a worker by hand call them too).
    void setContext(Workflow::WorkflowContext* c) { context = c; }
    void bindPorts(const QMap<QString, Workflow::IntegralBus*>& channels) { ports = channels; }

protected:
    Workflow::Actor* actor;                        // not owned
    Workflow::WorkflowContext* context = nullptr;  // not owned; set before start
    QMap<QString, Workflow::IntegralBus*> ports;   // port id -> channel, not owned
    bool done = false;
    bool autoTransitBus;
};

}  // namespace LocalWorkflow
}  // namespace Nx
