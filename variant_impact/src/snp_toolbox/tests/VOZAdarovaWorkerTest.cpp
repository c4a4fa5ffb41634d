// The "VOZAdarova-id" element as the engine drives it: registration, the worker's steps over
// real channels with real annotation tasks, when the output ends, and the prompter's text.
#include "SnpToolboxTestData.h"

#include "../../tests/WorkerTestBed.h"

#include "../VOZAdarovaTask.h"
#include "../VOZAdarovaWorker.h"
#include "../VOZAdarovaWorkerFactory.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DamageEffectDbi.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/log/Logger.h>
#include <NxLang/base/BaseActorCategories.h>
#include <NxLang/base/BasePorts.h>
#include <NxLang/datatype/BaseTypes.h>
#include <NxLang/model/Actor.h>
#include <NxLang/model/Prompter.h>
#include <NxLang/registry/WorkflowEnv.h>
#include <NxPrivate/core/AppContextImpl.h>

#include <gtest/gtest.h>

#include <memory>

using namespace Nx;
using namespace Nx::LocalWorkflow;
using namespace Nx::SnpToolboxTestData;

namespace {

ActorPrototype* installedProto() {
    return Nx::installedProto(VOZAdarovaWorkerFactory::ACTOR_ID, &VOZAdarovaWorkerFactory::install);
}

// One element between an upstream output and a downstream input, stepped like the engine does:
// step while ready and not done, and run each returned task to its end before the next step.
class WorkerTest : public ::testing::Test, protected WorkerTestBed<VOZAdarovaWorker> {
protected:
    void SetUp() override {
        NxOpStatusImpl os;
        ASSERT_TRUE(startWithReference(dbs, os)) << os.getError().toStdString();
        ActorPrototype* proto = installedProto();
        ASSERT_NE(proto, nullptr);
        wire(proto->createInstance("annotate"), dbs.sessionRef);
        actor->setParameter(VOZAdarovaWorkerFactory::DB_PATH_ATTR_ID, dbs.referencePath);
        ASSERT_TRUE(start(makeRegisteredWorker(VOZAdarovaWorkerFactory::ACTOR_ID)));
    }

    void TearDown() override { release(); }

    NxVariantTrack addTrack(QList<NxVariant>& vars) {
        NxOpStatusImpl os;
        NxVariantTrack t = dbs.addTrack(vars, os);
        EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
        return t;
    }

    void sendTrack(const NxVariantTrack& t) { WorkerTestBed::sendTrack(t.id); }

    Databases dbs;
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
