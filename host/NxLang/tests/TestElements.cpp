#include "TestElements.h"

#include <NxCore/tasks/FailTask.h>
#include <NxLang/base/BaseSlots.h>
#include <NxLang/datatype/BaseTypes.h>
#include <NxLang/engine/BaseWorker.h>
#include <NxLang/engine/WorkflowContext.h>
#include <NxLang/registry/LocalDomainFactory.h>
#include <NxLang/registry/WorkflowEnv.h>
#include <NxLang/storage/DbiDataStorage.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QThread>

using namespace Nx;
using namespace Nx::LocalWorkflow;

namespace TestElements {

QStringList& journal() {
    static QStringList j;
    return j;
}

void ensureApp() {
    static int argc = 1;
    static char name[] = "nxlang-test";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) {
        new QCoreApplication(argc, argv);
    }
}

namespace {

class NoopTask : public Task {
public:
    NoopTask() : Task("test step", TaskFlag_None) {}
    void run() override {}
};

// Sleeps in short rounds until canceled or done, so that it spans many turns of the engine.
class SlowTask : public Task {
public:
    explicit SlowTask(int rounds) : Task("slow step", TaskFlag_None), rounds(rounds) {}
    void run() override {
        for (int i = 0; i < rounds && !stateInfo.isCoR(); i++) {
            QThread::msleep(2);
        }
    }

private:
    int rounds;
};

QString trackOf(const Message& m) {
    const QVariantMap data = m.getData().toMap();
    if (!data.contains(BaseSlots::VARIATION_TRACK_SLOT().getId())) {
        return "no-slot";
    }
    SharedDbiDataHandler h = data.value(BaseSlots::VARIATION_TRACK_SLOT().getId()).value<SharedDbiDataHandler>();
    return h.constData() == nullptr ? "null" : QString::fromLatin1(h->getObjectId());
}

class SourceWorker : public BaseWorker {
public:
    explicit SourceWorker(Actor* a) : BaseWorker(a) {}
    void start() override { out = ports.value("out"); }
    Task* step() override {
        for (const QString& id : getValue<QString>("tracks").split(',', Qt::SkipEmptyParts)) {
            QVariantMap data;
            data[BaseSlots::VARIATION_TRACK_SLOT().getId()] =
                QVariant::fromValue(context->getDataStorage()->putVariantTrack(id.toLatin1()));
            out->put(Message(BaseTypes::ANY_TYPE(), data));
        }
        setDone();
        out->setEnded();
        return nullptr;
    }
    void finish() override {}

private:
    IntegralBus* out = nullptr;
};

class PassWorker : public BaseWorker {
public:
    explicit PassWorker(Actor* a) : BaseWorker(a) {}
    void start() override {
        in = ports.value("in");
        out = ports.value("out");
    }
    Task* step() override {
        if (!running.isNull() && !running->isFinished()) {
            journal() << getActorId() + ":stepped while its task ran";
        }
        const QString mode = getValue<QString>("mode");
        if (!in->hasMessage()) {
            if (in->isEnded() && mode != "hold") {
                setDone();
                out->setEnded();
            }
            return nullptr;
        }
        const Message m = getMessageAndSetupScriptValues(in);
        const QString note = getValue<QString>("note");
        journal() << QString("%1:%2:%3").arg(getActorId(), trackOf(m), note);
        if (mode == "fail") {
            return new FailTask("boom on " + trackOf(m));
        }
        if (mode == "direct" || mode == "hold") {
            out->put(Message::getEmptyMapMessage());
            return nullptr;
        }
        Task* t = mode == "slow" ? static_cast<Task*>(new SlowTask(getValue<int>("count"))) : new NoopTask();
        running = t;
        connect(t, &Task::si_stateChanged, this, [this, t]() {
            if (!t->isFinished() || t->hasError()) {
                return;
            }
            out->put(Message::getEmptyMapMessage());
            if (in->isEnded() && !in->hasMessage()) {
                setDone();
                out->setEnded();
            }
        });
        return t;
    }
    void finish() override { journal() << getActorId() + ":finish"; }

private:
    IntegralBus* in = nullptr;
    IntegralBus* out = nullptr;
    QPointer<Task> running;  // the last task returned
};

class SinkWorker : public BaseWorker {
public:
    explicit SinkWorker(Actor* a) : BaseWorker(a) {}
    void start() override { in = ports.value("in"); }
    Task* step() override {
        while (in->hasMessage()) {
            const QString track = trackOf(getMessageAndSetupScriptValues(in));
            journal() << QString("%1:%2:%3").arg(getActorId(), track, getValue<QString>("note"));
        }
        if (in->isEnded()) {
            setDone();
        }
        return nullptr;
    }
    void finish() override {}

private:
    IntegralBus* in = nullptr;
};

template <class W>
class Factory : public DomainFactory {
public:
    explicit Factory(const QString& id) : DomainFactory(id) {}
    Worker* makeWorker(Actor* a) override { return new W(a); }
};

PortDescriptor* inPort() {
    QMap<Descriptor, DataTypePtr> m;
    m[BaseSlots::VARIATION_TRACK_SLOT()] = BaseTypes::VARIATION_TRACK_TYPE();
    return new PortDescriptor(Descriptor("in", "Input", ""), DataTypePtr(new MapDataType(Descriptor("t.in"), m)), true);
}

PortDescriptor* outPort(bool withSlot) {
    QMap<Descriptor, DataTypePtr> m;
    if (withSlot) {
        m[BaseSlots::VARIATION_TRACK_SLOT()] = BaseTypes::VARIATION_TRACK_TYPE();
    }
    return new PortDescriptor(Descriptor("out", "Output", ""), DataTypePtr(new MapDataType(Descriptor("t.out"), m)), false);
}

template <class W>
ActorPrototype* add(const QString& id, const QList<PortDescriptor*>& ports, const QList<Attribute*>& attrs) {
    auto* proto = new IntegralBusActorPrototype(Descriptor(id, id, ""), ports, attrs);
    WorkflowEnv::getProtoRegistry()->registerProto(Descriptor("test"), proto);
    WorkflowEnv::getDomainRegistry()->getById(LocalDomainFactory::ID)->registerEntry(new Factory<W>(id));
    return proto;
}

}  // namespace

void registerAll() {
    ensureApp();
    if (WorkflowEnv::getProtoRegistry()->getProto("t-source") != nullptr) {
        return;
    }
    add<SourceWorker>("t-source", {outPort(true)},
                      {new Attribute(Descriptor("tracks", "Tracks", ""), BaseTypes::STRING_TYPE(), true)});
    add<PassWorker>("t-pass", {inPort(), outPort(false)},
                    {new Attribute(Descriptor("mode", "Mode", ""), BaseTypes::STRING_TYPE(), false, "task"),
                     new Attribute(Descriptor("note", "Note", ""), BaseTypes::STRING_TYPE(), false, "n"),
                     new Attribute(Descriptor("count", "Count", ""), BaseTypes::NUM_TYPE(), false, 1)});
    add<SinkWorker>("t-sink", {inPort()},
                    {new Attribute(Descriptor("note", "Note", ""), BaseTypes::STRING_TYPE(), false, "n")});
    // A pass element whose run check wants the files of "needs" (";"-separated) to exist.
    ActorPrototype* checked =
        add<PassWorker>("t-checked", {inPort(), outPort(false)},
                        {new Attribute(Descriptor("mode", "Mode", ""), BaseTypes::STRING_TYPE(), false, "direct"),
                         new Attribute(Descriptor("needs", "Needs", ""), BaseTypes::STRING_TYPE(), false, "")});
    checked->addRunCheck([](BaseWorker* w) {
        QStringList problems;
        for (const QString& f : w->getValue<QString>("needs").split(';', Qt::SkipEmptyParts)) {
            if (!QFileInfo::exists(f)) {
                problems << "no file " + f;
            }
        }
        return problems;
    });
}

}  // namespace TestElements
