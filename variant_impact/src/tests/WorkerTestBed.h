// One element's worker as the engine wires it, for the worker tests: an upstream output feeding
// the worker's input channel, its output channel feeding a downstream input, a workflow context
// over a real workflow database, and the tasks the test ran (deleted at the end: the runner does
// not delete them). A fixture derives from it and keeps its databases as its own members;
// release() ends the worker before those go.
#pragma once

#include <NxCore/records/NxDbiRef.h>
#include <NxCore/tasks/Task.h>
#include <NxLang/base/BasePorts.h>
#include <NxLang/base/BaseSlots.h>
#include <NxLang/datatype/BaseTypes.h>
#include <NxLang/engine/IntegralBus.h>
#include <NxLang/engine/WorkflowContext.h>
#include <NxLang/engine/WorkflowMonitor.h>
#include <NxLang/model/Actor.h>
#include <NxLang/model/ActorPrototype.h>
#include <NxLang/registry/LocalDomainFactory.h>
#include <NxLang/registry/WorkflowEnv.h>
#include <NxLang/storage/DbiDataStorage.h>
#include <NxPrivate/tasks/TaskRunner.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace Nx {

// The prototype of the element, installed first when it is not registered yet.
inline ActorPrototype* installedProto(const QString& actorId, const std::function<void()>& install) {
    ActorPrototype* p = WorkflowEnv::getProtoRegistry()->getProto(actorId);
    if (p == nullptr) {
        install();
        p = WorkflowEnv::getProtoRegistry()->getProto(actorId);
    }
    return p;
}

template <class W>
class WorkerTestBed {
public:
    ~WorkerTestBed() { release(); }

    // Takes the actor and builds the channels and the workflow context around it.
    void wire(Actor* a, const NxDbiRef& sessionRef) {
        actor.reset(a);
        upstream.addReceiver(&in);
        out.addReceiver(&downstream);
        storage.reset(new DbiDataStorage(sessionRef));
        context.reset(new WorkflowContext({actor.get()}, storage.get(), &monitor, QString()));
    }

    // The worker that the registered factory of the element makes for the actor; null when there
    // is no factory or the worker is of another kind.
    W* makeRegisteredWorker(const QString& actorId) const {
        DomainFactory* local = WorkflowEnv::getDomainRegistry()->getById(LocalWorkflow::LocalDomainFactory::ID);
        DomainFactory* factory = local != nullptr ? local->getById(actorId) : nullptr;
        if (factory == nullptr) {
            return nullptr;
        }
        Worker* w = factory->makeWorker(actor.get());
        W* typed = dynamic_cast<W*>(w);
        if (typed == nullptr) {
            delete w;
        }
        return typed;
    }

    // Takes the worker, binds it to the channels and the context and starts it; false when null.
    bool start(W* w) {
        worker.reset(w);
        if (worker == nullptr) {
            return false;
        }
        worker->bindPorts({{BasePorts::IN_VARIATION_TRACK_PORT_ID(), &in}, {BasePorts::OUT_VARIATION_TRACK_PORT_ID(), &out}});
        worker->setContext(context.get());
        worker->start();
        return true;
    }

    // Steps as the engine does, while the worker is ready and not done (at most maxSteps times),
    // and runs each returned task to its end before the next step; the tasks run, in order.
    QList<Task*> drive(int maxSteps = 1000) {
        QList<Task*> run;
        for (int i = 0; i < maxSteps && !worker->isDone() && worker->isReady(); ++i) {
            Task* t = worker->step();
            if (t == nullptr) {
                continue;
            }
            EXPECT_TRUE(TaskRunner::runAndWait(t, 60000));
            run << t;
            tasks << t;
        }
        return run;
    }

    // Puts a message with the track on the worker's input, as this storage or another element's
    // (from) hands it over.
    void sendTrack(const NxDataId& trackId, DbiDataStorage* from = nullptr) {
        QVariantMap data;
        data[BaseSlots::VARIATION_TRACK_SLOT().getId()] =
            QVariant::fromValue((from != nullptr ? from : storage.get())->putVariantTrack(trackId));
        upstream.put(Message(BaseTypes::ANY_TYPE(), data));
    }

    // The track a message on the output names.
    static NxDataId trackIdOf(const Message& m) {
        return m.getData().toMap().value(BaseSlots::VARIATION_TRACK_SLOT().getId()).value<SharedDbiDataHandler>()->getObjectId();
    }

    // The worker first, then the tasks it ran, the context, the storage and the actor.
    void release() {
        worker.reset();
        qDeleteAll(tasks);
        tasks.clear();
        context.reset();
        storage.reset();
        actor.reset();
    }

    std::unique_ptr<Actor> actor;
    IntegralBus upstream{"up", false};
    IntegralBus in{BasePorts::IN_VARIATION_TRACK_PORT_ID(), true};
    IntegralBus out{BasePorts::OUT_VARIATION_TRACK_PORT_ID(), false};
    IntegralBus downstream{"down", true};
    std::unique_ptr<DbiDataStorage> storage;
    WorkflowMonitor monitor;
    std::unique_ptr<WorkflowContext> context;
    std::unique_ptr<W> worker;
    QList<Task*> tasks;
};

}  // namespace Nx
