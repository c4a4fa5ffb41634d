// The "tata-box-snp" element: registration and prompter, the promoter windows on both strands,
// and the worker over real channels, a real reference database and the real scheduler.
#include "TataTestGenome.h"

#include "../../tests/WorkerTestBed.h"

#include <tata_box_analysis/AnalyzeTataBoxesTask.h>
#include <tata_box_analysis/AnalyzeTataBoxesWorker.h>
#include <tata_box_analysis/AnalyzeTataBoxesWorkerFactory.h>

#include <NxCore/variation/SNPTablesUtils.h>
#include <NxLang/base/BaseActorCategories.h>
#include <NxLang/base/BasePorts.h>
#include <NxLang/base/BaseSlots.h>
#include <NxLang/datatype/BaseTypes.h>
#include <NxLang/model/Actor.h>
#include <NxLang/model/Prompter.h>
#include <NxLang/registry/WorkflowEnv.h>
#include <NxPrivate/tasks/TaskRunner.h>

#include <gtest/gtest.h>

#include <memory>

using namespace Nx;
using namespace Nx::LocalWorkflow;
using namespace Nx::TataTestGenome;

namespace {

ActorPrototype* installedProto() {
    return Nx::installedProto(AnalyzeTataBoxesWorkerFactory::ACTOR_ID, &AnalyzeTataBoxesWorkerFactory::install);
}

class TataWorkerTest : public ::testing::Test, protected WorkerTestBed<AnalyzeTataBoxesWorker> {
protected:
    void SetUp() override {
        ensureApplication();
        QString error;
        ASSERT_TRUE(dbs.build(error)) << error.toStdString();
        ActorPrototype* proto = installedProto();
        ASSERT_NE(proto, nullptr);
        wire(proto->createInstance("tata"), dbs.sessionRef);
        actor->setParameter("db_path", dbs.referencePath);
        ASSERT_TRUE(start(makeRegisteredWorker("tata-box-snp")));
    }

    void TearDown() override { release(); }

    // Sends the track and runs the worker's step; returns the group's subtask count (0: none).
    int run(QList<NxVariant>& vars, const QString& name = "chr5", const NxDataId& sequenceId = NxDataId()) {
        sendTrack(dbs.addTrack(vars, name, sequenceId).id);
        // A track runs in windows, one step each, until the step that sends it on.
        int n = 0;
        while (Task* group = worker->step()) {
            tasks << group;
            const int count = group->getSubtaskCount();
            for (int i = 0; i < count; ++i) {
                EXPECT_NE(qobject_cast<AnalyzeTataBoxesTask*>(group->getSubtaskAt(i)), nullptr);
            }
            n += count;
            EXPECT_TRUE(TaskRunner::runAndWait(group, 60000));
            EXPECT_FALSE(group->hasError()) << group->getError().toStdString();
            if (group->hasError()) {
                break;
            }
        }
        return n;
    }

    Databases dbs;
};

Gene gene(qint64 start, qint64 end, bool complement) {
    const NxRegion r(start, end - start);
    return Gene("G", "G", r, NxRegion(), {r}, false, complement);
}

}  // namespace

TEST(TataElementTest, RegistrationAndPrompterFollowTheElementTable) {
    ensureApplication();
    ActorPrototype* proto = installedProto();
    ASSERT_NE(proto, nullptr);
    EXPECT_EQ(proto->getDisplayName(), "Determine Variant Impact on TATA-boxes");
    EXPECT_EQ(proto->getDocumentation(), "Define the influence of SNP on TATA-boxes belonging to the sequence.");
    EXPECT_TRUE(WorkflowEnv::getProtoRegistry()->getProtos().value(BaseActorCategories::CATEGORY_SNP_ANNOTATION()).contains(proto));
    ASSERT_EQ(proto->getAttributes().size(), 1);
    EXPECT_EQ(proto->getAttributes().first()->getId(), "db_path");
    EXPECT_EQ(proto->getAttributes().first()->getDocumentation(), "Path to SNP database.");
    ASSERT_EQ(proto->getPortDescriptors().size(), 2);

    std::unique_ptr<Actor> a(proto->createInstance("tata"));
    a->setParameter("db_path", QString());
    std::unique_ptr<ActorDocument> doc(proto->getPrompter()->createDescription(a.get()));
    const QString unset = "<font color='red'>unset</font>";
    EXPECT_EQ(doc->getHtml(), "Uses variations from <u>" + unset + "</u> as input. Takes sequences from <u>" + unset +
                                  "</u> database.");
}

TEST(TataElementTest, PromoterWindowsLieUpstreamOnTheGenesStrand) {
    NxRegion w;
    ASSERT_TRUE(AnalyzeTataBoxesWorker::promoterWindow(gene(1000, 1200, false), w));
    EXPECT_EQ(w, NxRegion(930, 50));
    ASSERT_TRUE(AnalyzeTataBoxesWorker::promoterWindow(gene(1000, 1500, true), w));
    EXPECT_EQ(w, NxRegion(1520, 50));
    EXPECT_TRUE(AnalyzeTataBoxesWorker::promoterWindow(gene(70, 100, false), w));
    EXPECT_EQ(w, NxRegion(0, 50));
    EXPECT_FALSE(AnalyzeTataBoxesWorker::promoterWindow(gene(69, 100, false), w));
    // The host's regulated genes hold every gene whose window can hold the variation.
    for (const Gene& g : {gene(1000, 1200, false), gene(1000, 1500, true)}) {
        ASSERT_TRUE(AnalyzeTataBoxesWorker::promoterWindow(g, w));
        for (qint64 p : {w.startPos, w.startPos + 49}) {
            EXPECT_TRUE(SNPTablesUtils::promoterWindow(g).contains(NxRegion(p, 1))) << p;
        }
    }
}

TEST_F(TataWorkerTest, OnlyVariationsInsideAWindowGetAnAttributePerGene) {
    QList<NxVariant> vars = {snv(929, 'A'), snv(930, 'T'), snv(970, 'T'), snv(980, 'A'),   // FWD1 [930, 980)
                             snv(2119, 'A'), snv(2120, 'T'), snv(2169, 'T'), snv(2170, 'A'),  // REV1 [2120, 2170)
                             snv(10, 'A'),                                                 // NEAR: no window
                             snv(2540, 'T'),                                               // FWD2 and REV2
                             snv(TATA_START + 1, 'C')};                                    // breaks the box
    EXPECT_EQ(run(vars), 7);
    EXPECT_TRUE(dbs.attributes(vars[0].id).isEmpty());
    EXPECT_EQ(dbs.attributes(vars[1].id).keys(), QStringList{"TATA_TOOLS:FWD1"});
    EXPECT_EQ(dbs.attributes(vars[2].id).keys(), QStringList{"TATA_TOOLS:FWD1"});
    EXPECT_TRUE(dbs.attributes(vars[3].id).isEmpty());
    EXPECT_TRUE(dbs.attributes(vars[4].id).isEmpty());
    EXPECT_EQ(dbs.attributes(vars[5].id).keys(), QStringList{"TATA_TOOLS:REV1"});
    EXPECT_EQ(dbs.attributes(vars[6].id).keys(), QStringList{"TATA_TOOLS:REV1"});
    EXPECT_TRUE(dbs.attributes(vars[7].id).isEmpty());
    EXPECT_TRUE(dbs.attributes(vars[8].id).isEmpty());
    EXPECT_EQ(dbs.attributes(vars[9].id).keys(), (QStringList{"TATA_TOOLS:FWD2", "TATA_TOOLS:REV2"}));
    const QString broken = dbs.attributes(vars[10].id).value("TATA_TOOLS:FWD1");
    EXPECT_FALSE(broken.isEmpty());
    EXPECT_FALSE(broken.endsWith("/unsignificant")) << broken.toStdString();
    EXPECT_EQ(downstream.hasMessages(), 1);
}

TEST_F(TataWorkerTest, ATrackIsResolvedByItsSequenceIdElseByItsName) {
    QList<NxVariant> byName = {snv(970, 'T')};
    EXPECT_EQ(run(byName, "5"), 1);
    EXPECT_EQ(dbs.attributes(byName[0].id).keys(), QStringList{"TATA_TOOLS:FWD1"});

    QList<NxVariant> byId = {snv(971, 'T')};
    EXPECT_EQ(run(byId, "not-a-chromosome", dbs.chr5), 1);
    EXPECT_EQ(dbs.attributes(byId[0].id).keys(), QStringList{"TATA_TOOLS:FWD1"});

    // Neither: no genes, no task, the track is passed on at once.
    QList<NxVariant> unknown = {snv(972, 'T')};
    EXPECT_EQ(run(unknown, "chrUn"), 0);
    EXPECT_EQ(downstream.hasMessages(), 3);
}

TEST_F(TataWorkerTest, MultiBaseAllelesGiveNoAnswerAndAnEmptyDatabasePathNoTasks) {
    NxVariant insertion = snv(970, 'T');
    insertion.obsData = "TTT";
    QList<NxVariant> vars = {insertion};
    EXPECT_EQ(run(vars), 1);
    EXPECT_TRUE(dbs.attributes(vars[0].id).isEmpty());

    actor->setParameter("db_path", QString());
    QList<NxVariant> more = {snv(970, 'T')};
    EXPECT_EQ(run(more), 0);
    EXPECT_EQ(downstream.hasMessages(), 2);
}
