#include "BaseWorker.h"

#include <NxLang/engine/WorkflowContext.h>
#include <NxLang/model/Port.h>
#include <NxLang/util/RFSUtils.h>

namespace Nx {
namespace LocalWorkflow {

BaseWorker::BaseWorker(Workflow::Actor* a, bool autoTransitBus) : QObject(nullptr), actor(a), autoTransitBus(autoTransitBus) {
    if (actor == nullptr) {
        return;
    }
    for (Workflow::Port* p : actor->getPorts()) {
        if (auto* bus = qobject_cast<Workflow::IntegralBus*>(p->getPeer())) {
            ports[p->getId()] = bus;
        }
    }
}

QString BaseWorker::getActorId() const {
    return actor != nullptr ? actor->getId() : QString();
}

void BaseWorker::setDone() { done = true; }

QStringList BaseWorker::getOutputFiles() {
    QStringList res;
    if (actor == nullptr) {
        return res;
    }
    for (Attribute* a : actor->getParameters()) {
        if (!RFSUtils::isOutUrlAttribute(a, actor)) {
            continue;
        }
        const QString v = getAttributeValue(a->getId()).toString();
        if (!v.isEmpty()) {
            res << v;
        }
    }
    return res;
}

// Script variable names are slot ids with every character a script name cannot hold made '_'.
static QString scriptVarName(const QString& slotId) {
    QString n = slotId;
    for (QChar& c : n) {
        if (!c.isLetterOrNumber()) {
            c = '_';
        }
    }
    return n;
}

Workflow::Message BaseWorker::getMessageAndSetupScriptValues(Workflow::CommunicationChannel* channel) {
    if (channel == nullptr) {
        return Workflow::Message();
    }
    const Workflow::Message m = channel->get();
    const QVariantMap slotValues = m.getData().toMap();
    if (autoTransitBus) {
        for (Workflow::IntegralBus* bus : ports) {
            if (bus != nullptr && !bus->isInput()) {
                bus->setContext(slotValues);
            }
        }
    }
    if (actor != nullptr) {
        for (Attribute* a : actor->getParameters()) {
            AttributeScript& s = a->getAttributeScript();
            if (s.isEmpty()) {
                continue;
            }
            s.clearScriptVars();
            for (auto it = slotValues.begin(); it != slotValues.end(); ++it) {
                s.setScriptVar(scriptVarName(it.key()), it.value());
            }
        }
    }
    return m;
}

bool BaseWorker::canTaskBeCanceled(Task*) const { return false; }

bool BaseWorker::isReady() const {
    if (done) {
        return false;
    }
    bool hasInput = false;
    for (Workflow::IntegralBus* bus : ports) {
        if (bus == nullptr || !bus->isInput()) {
            continue;
        }
        hasInput = true;
        if (bus->hasMessage() || bus->isEnded()) {
            return true;
        }
    }
    return !hasInput;
}

bool BaseWorker::isValueKnownBeforeRun(const QString& attrId) const {
    Attribute* a = actor != nullptr ? actor->getParameter(attrId) : nullptr;
    return a == nullptr || a->getAttributeScript().isEmpty();
}

QVariant BaseWorker::getAttributeValue(const QString& attrId) const {
    Attribute* a = actor != nullptr ? actor->getParameter(attrId) : nullptr;
    if (a == nullptr) {
        return QVariant(QString());
    }
    QVariant v = a->evaluate(context);
    if (context != nullptr && RFSUtils::isOutUrlAttribute(a, actor)) {
        v = context->absolutePath(v.toString());
    }
    return v;
}

}  // namespace LocalWorkflow
}  // namespace Nx
