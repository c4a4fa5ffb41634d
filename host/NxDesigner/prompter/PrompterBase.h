// The prompter template every element prompter derives from (class FooPrompter :
// public PrompterBase<FooPrompter>). The prototype holds one instance bound to no actor; asked
// for an actor's description it makes a new T bound to that actor and keeps it current: the
// actor's si_labelChanged() and si_modified(), then bindingChanged() of each input and each
// output port, reach the new prompter's sl_actorModified().
#pragma once

#include <NxDesigner/prompter/PrompterBaseImpl.h>
#include <NxLang/model/Actor.h>
#include <NxLang/model/Port.h>

namespace Nx {

template <class T>
class PrompterBase : public PrompterBaseImpl {
public:
    explicit PrompterBase(Workflow::Actor* p = nullptr, bool listenInputs = true)
        : PrompterBaseImpl(p), listenInputs(listenInputs) {}

    ActorDocument* createDescription(Workflow::Actor* a) override {
        T* doc = new T(a);
        doc->listenInputs = listenInputs;
        QObject::connect(a, &Workflow::Actor::si_labelChanged, doc, &PrompterBaseImpl::sl_actorModified);
        QObject::connect(a, &Workflow::Actor::si_modified, doc, &PrompterBaseImpl::sl_actorModified);
        if (listenInputs) {
            for (Workflow::Port* input : a->getInputPorts()) {
                QObject::connect(input, &Workflow::Port::bindingChanged, doc, &PrompterBaseImpl::sl_actorModified);
            }
        }
        for (Workflow::Port* output : a->getOutputPorts()) {
            QObject::connect(output, &Workflow::Port::bindingChanged, doc, &PrompterBaseImpl::sl_actorModified);
        }
        doc->sl_actorModified();
        return doc;
    }

    bool isListeningInputs() const { return listenInputs; }

protected:
    bool listenInputs;  // input links change the text (the producer's label)
};

}  // namespace Nx
