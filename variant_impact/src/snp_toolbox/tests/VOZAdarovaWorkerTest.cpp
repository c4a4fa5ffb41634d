// The "VOZAdarova-id" element as the engine drives it: registration, the worker's steps over
// real channels with real annotation tasks, when the output ends, and the prompter's text.
#include "SnpToolboxTestData.h"

#include "../VOZAdarovaTask.h"
#include "../VOZAdarovaWorker.h"
#include "../VOZAdarovaWorkerFactory.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DamageEffectDbi.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/log/Logger.h>
#include <NxLang/base/BaseActorCategories.h>
#include <NxLang/base/BasePorts.h>
#include <NxLang/base/BaseSlots.h>
#include <NxLang/datatype/BaseTypes.h>
#include <NxLang/engine/IntegralBus.h>
#include <NxLang/engine/WorkflowContext.h>
#include <NxLang/engine/WorkflowMonitor.h>
#include <NxLang/model/Actor.h>
#include <NxLang/model/Prompter.h>
#include <NxLang/registry/LocalDomainFactory.h>
#include <NxLang/registry/WorkflowEnv.h>
#include <NxLang/storage/DbiDataStorage.h>
#include <NxPrivate/core/AppContextImpl.h>
#include <NxPrivate/tasks/TaskRunner.h>

#include <gtest/gtest.h>

#include <memory>

using namespace Nx;
using namespace Nx::LocalWorkflow;
using namespace Nx::SnpToolboxTestData;

namespace {

ActorPrototype* installedProto() {
    ActorPrototype* p = WorkflowEnv::getProtoRegistry()->getProto(VOZAdarovaWorkerFactory::ACTOR_ID);
    if (p == nullptr) {
        VOZAdarovaWorkerFactory::install();
        p = WorkflowEnv::getProtoRegistry()->getProto(VOZAdarovaWorkerFactory::ACTOR_ID);
    }
    return p;
}

// One element between an upstream output and a downstream input, stepped like the engine does:
// step while ready and not done, and run each returned task to its end before the next step.
class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureApplication();
        AppContextImpl::getApplicationContext();
        NxOpStatusImpl os;
        ASSERT_TRUE(dbs.buildReference(os)) << os.getError().toStdString();
        ActorPrototype* proto = installedProto();
        ASSERT_NE(proto, nullptr);
        actor.reset(proto->createInstance("annotate"));
        actor->setParameter(VOZAdarovaWorkerFactory::DB_PATH_ATTR_ID, dbs.referencePath);

        upstream.addReceiver(&in);
        out.addReceiver(&downstream);
        storage.reset(new DbiDataStorage(dbs.sessionRef));
        context.reset(new WorkflowContext({actor.get()}, storage.get(), &monitor, QString()));
        DomainFactory* local = WorkflowEnv::getDomainRegistry()->getById(LocalDomainFactory::ID);
        ASSERT_NE(local, nullptr);
        DomainFactory* factory = local->getById(VOZAdarovaWorkerFactory::ACTOR_ID);
        ASSERT_NE(factory, nullptr);
        worker.reset(dynamic_cast<VOZAdarovaWorker*>(factory->makeWorker(actor.get())));
        ASSERT_NE(worker, nullptr);
        worker->bindPorts({{BasePorts::IN_VARIATION_TRACK_PORT_ID(), &in}, {BasePorts::OUT_VARIATION_TRACK_PORT_ID(), &out}});
        worker->setContext(context.get());
        worker->start();
    }

    void TearDown() override {
        worker.reset();
        qDeleteAll(tasks);
    }

    NxVariantTrack addTrack(QList<NxVariant>& vars) {
        NxOpStatusImpl os;
        NxVariantTrack t = dbs.addTrack(vars, os);
        EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
        return t;
    }

    void sendTrack(const NxVariantTrack& t) {
        QVariantMap data;
        data[BaseSlots::VARIATION_TRACK_SLOT().getId()] = QVariant::fromValue(storage->putVariantTrack(t.id));
        upstream.put(Message(BaseTypes::ANY_TYPE(), data));
    }

    // Steps until the worker waits for input or is done; returns the tasks run, in order.
    QList<Task*> drive() {
        QList<Task*> run;
        while (!worker->isDone() && worker->isReady()) {
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

    NxDataId trackIdOf(const Message& m) {
        return m.getData().toMap().value(BaseSlots::VARIATION_TRACK_SLOT().getId()).value<SharedDbiDataHandler>()->getObjectId();
    }

    Databases dbs;
    std::unique_ptr<Actor> actor;
    IntegralBus upstream{"up", false};
    IntegralBus in{BasePorts::IN_VARIATION_TRACK_PORT_ID(), true};
    IntegralBus out{BasePorts::OUT_VARIATION_TRACK_PORT_ID(), false};
    IntegralBus downstream{"down", true};
    std::unique_ptr<DbiDataStorage> storage;
    WorkflowMonitor monitor;
    std::unique_ptr<WorkflowContext> context;
    std::unique_ptr<VOZAdarovaWorker> worker;
    QList<Task*> tasks;  // owned: the runner does not delete them
};

}  // namespace

TEST(VOZAdarovaElementTest, InstallRegistersPrototypeAndFactory) {
    ensureApplication();
    AppContextImpl::getApplicationContext();
    ActorPrototype* proto = installedProto();
    ASSERT_NE(proto, nullptr);
    EXPECT_EQ(proto->getDisplayName(), QString("Annotate Variations with VOZAdarova"));
    EXPECT_EQ(proto->getDocumentation(),
              QString("Assess damage effect and find intersected genes with VOZAdarova algorithms."));
    EXPECT_TRUE(WorkflowEnv::getProtoRegistry()->getProtos().value(BaseActorCategories::CATEGORY_SNP_ANNOTATION()).contains(proto));

    ASSERT_EQ(proto->getAttributes().size(), 1);
    Attribute* db = proto->getAttributes().first();
    EXPECT_EQ(db->getId(), QString("db_path"));
    EXPECT_EQ(db->getDisplayName(), QString("Database path"));
    EXPECT_EQ(db->getDocumentation(), QString("Path to VOZAdarova database with sequences, features and damage effect data."));
    EXPECT_TRUE(db->isRequiredAttribute());
    ASSERT_NE(proto->getEditor(), nullptr);

    ASSERT_EQ(proto->getPortDescriptors().size(), 2);
    PortDescriptor* inPort = proto->getPortDescriptors()[0];
    PortDescriptor* outPort = proto->getPortDescriptors()[1];
    EXPECT_EQ(inPort->getId(), BasePorts::IN_VARIATION_TRACK_PORT_ID());
    EXPECT_TRUE(inPort->isInput());
    EXPECT_EQ(inPort->getType()->getAllDescriptors().size(), 1);
    EXPECT_EQ(outPort->getId(), BasePorts::OUT_VARIATION_TRACK_PORT_ID());
    EXPECT_TRUE(outPort->isOutput());
    EXPECT_TRUE(outPort->getType()->getAllDescriptors().isEmpty());

    DomainFactory* local = WorkflowEnv::getDomainRegistry()->getById(LocalDomainFactory::ID);
    ASSERT_NE(local, nullptr);
    EXPECT_NE(local->getById("VOZAdarova-id"), nullptr);
}

TEST(VOZAdarovaElementTest, PrompterShowsUnsetInputAndDatabase) {
    ensureApplication();
    ActorPrototype* proto = installedProto();
    ASSERT_NE(proto, nullptr);
    std::unique_ptr<Actor> a(proto->createInstance("annotate"));
    a->setParameter("db_path", QString());
    std::unique_ptr<ActorDocument> doc(proto->getPrompter()->createDescription(a.get()));
    const QString unset = "<font color='red'>unset</font>";
    EXPECT_EQ(doc->getHtml(), "Uses variations from <u>" + unset + "</u> as input. Takes annotations from <u>" + unset +
                                  "</u> database.");

    // The text follows the attribute.
    a->setParameter("db_path", QString("/data/hg19.s3db"));
    EXPECT_TRUE(doc->getHtml().contains("/data/hg19.s3db")) << doc->getHtml().toStdString();
    EXPECT_FALSE(doc->getHtml().contains(" Takes annotations from <u>" + unset));
}

TEST_F(WorkerTest, TwoTracksGiveTwoTasksAndTwoMessagesAndTheOutputEndsAfterTheInput) {
    QList<NxVariant> v1 = {snv(KNOWN_POS, 'T', 'C')};
    QList<NxVariant> v2 = {snv(REV_CODON1_START, 'C', 'G')};
    NxVariantTrack t1 = addTrack(v1);
    NxVariantTrack t2 = addTrack(v2);
    sendTrack(t1);
    sendTrack(t2);

    QList<Task*> run = drive();
    ASSERT_EQ(run.size(), 2);
    for (Task* t : run) {
        EXPECT_NE(qobject_cast<VOZAdarovaTask*>(t), nullptr);
        EXPECT_FALSE(t->hasError()) << t->getError().toStdString();
    }
    EXPECT_EQ(downstream.hasMessages(), 2);
    // Input not ended yet: the worker waits and the output stays open.
    EXPECT_FALSE(worker->isDone());
    EXPECT_FALSE(out.isEnded());

    upstream.setEnded();
    EXPECT_TRUE(drive().isEmpty());
    EXPECT_TRUE(worker->isDone());
    EXPECT_TRUE(out.isEnded());

    // Each empty message carries the track handle of the message it answers, in order.
    EXPECT_EQ(trackIdOf(downstream.get()), t1.id);
    EXPECT_EQ(trackIdOf(downstream.get()), t2.id);

    // Both tracks were annotated.
    NxOpStatusImpl os;
    DbiConnection con(dbs.sessionRef, false, os);
    EXPECT_FALSE(con.dbi->getDamageEffectDbi()->needsGeneEvaluation(v1[0].id, os));
    EXPECT_FALSE(con.dbi->getDamageEffectDbi()->needsGeneEvaluation(v2[0].id, os));
}

TEST_F(WorkerTest, InputEndedBeforeTheLastTaskFinishedEndsTheOutputFromTheTask) {
    QList<NxVariant> v = {snv(NO_GENE_POS, 'C', 'T')};
    sendTrack(addTrack(v));
    upstream.setEnded();
    QList<Task*> run = drive();
    ASSERT_EQ(run.size(), 1);
    EXPECT_TRUE(worker->isDone());
    EXPECT_TRUE(out.isEnded());
    EXPECT_EQ(downstream.hasMessages(), 1);
}

TEST_F(WorkerTest, MessageWithoutTheVariationSlotGivesAFailingTask) {
    QVariantMap data;
    data["something-else"] = 1;
    upstream.put(Message(BaseTypes::ANY_TYPE(), data));
    QList<Task*> run = drive();
    ASSERT_EQ(run.size(), 1);
    EXPECT_TRUE(run[0]->hasError());
    EXPECT_EQ(run[0]->getError(), QString("Variations slot is empty"));
    EXPECT_EQ(downstream.hasMessages(), 0);
}

TEST_F(WorkerTest, MissingDatabaseFailsTheTaskAndSendsNothingButTheWorkerStillEnds) {
    QString missing = dbs.referencePath + ".nowhere";
    actor->setParameter("db_path", missing);
    QList<NxVariant> v = {snv(KNOWN_POS, 'T', 'C')};
    sendTrack(addTrack(v));
    QList<Task*> run = drive();
    ASSERT_EQ(run.size(), 1);
    EXPECT_EQ(run[0]->getError(), "Cannot open database file: " + missing);
    EXPECT_EQ(downstream.hasMessages(), 0);
    upstream.setEnded();
    drive();
    EXPECT_TRUE(worker->isDone());
    EXPECT_TRUE(out.isEnded());
}

TEST_F(WorkerTest, TrackOfMultiBaseVariationsStillSendsOneMessage) {
    NxVariant twoBases;
    twoBases.startPos = 130;
    twoBases.endPos = 132;
    twoBases.refData = "AA";
    twoBases.obsData = "GT";
    NxVariant deletion;
    deletion.startPos = 150;
    deletion.endPos = 153;
    deletion.refData = "ACG";
    deletion.obsData = "A";
    QList<NxVariant> v = {twoBases, deletion};
    sendTrack(addTrack(v));
    ASSERT_EQ(drive().size(), 1);
    EXPECT_EQ(downstream.hasMessages(), 1);

    NxOpStatusImpl os;
    DbiConnection con(dbs.sessionRef, false, os);
    DamageEffectDbi* de = con.dbi->getDamageEffectDbi();
    std::unique_ptr<NxDbiIterator<DamageEffect>> known(de->listEffects(v[0].id, os));
    ASSERT_TRUE(known->hasNext());
    EXPECT_TRUE(known->next().isKnownEffect());
    EXPECT_FALSE(known->hasNext());
    std::unique_ptr<NxDbiIterator<DamageEffect>> none(de->listEffects(v[1].id, os));
    EXPECT_FALSE(none->hasNext());
}

TEST_F(WorkerTest, FinishedSignalFromAnotherObjectIsLoggedAndIgnored) {
    LogCapture log;
    Task other("not an annotation", TaskFlag_None);
    QObject::connect(&other, SIGNAL(si_stateChanged()), worker.get(), SLOT(sl_taskFinished()));
    Q_EMIT other.si_stateChanged();
    EXPECT_TRUE(log.contains("Core Services", LogLevel_ERROR, "Invalid task is encountered"));
    EXPECT_EQ(downstream.hasMessages(), 0);
}
