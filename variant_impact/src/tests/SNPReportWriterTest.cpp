// The "Write SNP Report" element and its task over real databases, real files and real channels:
// which report gets which variation, headers only with a first row, what is registered as output,
// progress, failures that name the path, and one task for all tracks of an input.
#include "WorkerTestBed.h"

#include <snp_toolbox/DamageEffectEvaluator.h>
#include <snp_toolbox/tests/SnpToolboxTestData.h>

#include <SNPReportWriter.h>
#include <SNPReportWriterFactory.h>
#include <SNPReportWriterTask.h>

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DamageEffectDbi.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/log/Logger.h>
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

#include <QFile>
#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <memory>

using namespace Nx;
using namespace Nx::LocalWorkflow;
using namespace Nx::SnpToolboxTestData;

namespace {

QStringList readLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {"<missing>"};
    }
    const QByteArray all = f.readAll();
    QStringList lines = QString::fromLatin1(all).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

class ReportTaskTest : public ::testing::Test {
protected:
    void SetUp() override {
        NxOpStatusImpl os;
        ASSERT_TRUE(startWithReference(dbs, os)) << os.getError().toStdString();
        settings.dbPath = dbs.referencePath;
        settings.inGeneReportPath = QFileInfo(dbs.sessionPath).absolutePath() + "/in_gene.tsv";
        settings.regulatoryReportPath = QFileInfo(dbs.sessionPath).absolutePath() + "/regulatory.tsv";
    }

    // A track of the variations, annotated as the annotation element would.
    NxVariantTrack annotatedTrack(QList<NxVariant> variants, const QString& chr = "chr1") {
        NxOpStatusImpl os;
        NxVariantTrack t = dbs.addTrack(variants, os, chr);
        DbiConnection reference(dbs.referenceRef, false, os);
        DbiConnection session(dbs.sessionRef, false, os);
        EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
        DamageEffectEvaluator evaluator(session.dbi, reference.dbi, true);
        evaluator.annotateTracks({t}, DamageEffectEvaluator::Mode_All, os);
        EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
        return t;
    }

    std::unique_ptr<SNPReportWriterTask> run(const QList<NxVariantTrack>& tracks) {
        std::unique_ptr<SNPReportWriterTask> task(new SNPReportWriterTask(settings, tracks, dbs.sessionRef));
        EXPECT_TRUE(TaskRunner::runAndWait(task.get(), 60000));
        return task;
    }

    Databases dbs;
    SNPReportSettings settings;
};

TEST_F(ReportTaskTest, InGeneAndRegulatoryVariationsGoToTheirReports) {
    NxVariantTrack chr1 = annotatedTrack({snv(KNOWN_POS, 'T', 'C'), snv(NO_GENE_POS, 'C', 'T')});
    NxVariantTrack chr2 = annotatedTrack({snv(PROMOTER_TEST_POS, 'C', 'A')}, "chr2");
    std::unique_ptr<SNPReportWriterTask> task = run({chr1, chr2});
    ASSERT_FALSE(task->hasError()) << task->getError().toStdString();
    EXPECT_EQ(task->getReportFiles(), QStringList({settings.inGeneReportPath, settings.regulatoryReportPath}));
    EXPECT_EQ(task->stateInfo.getProgress(), 100);

    const QStringList inGene = readLines(settings.inGeneReportPath);
    ASSERT_EQ(inGene.size(), 3);  // header, GENE_FWD, GENE_OVL
    EXPECT_TRUE(inGene[0].startsWith("#Chr\tPosition\t"));
    for (const QString& row : inGene.mid(1)) {
        EXPECT_EQ(row.count('\t'), 24) << row.toStdString();
        EXPECT_TRUE(row.startsWith("chr1\t122\tT/C\trs121\t")) << row.toStdString();
    }
    EXPECT_TRUE(inGene[1].contains("\tATG->ACG\tM1T\t"));

    // 2600 lies in no gene and no promoter: it opens the report but gives no row; the chr2
    // variation gives one row per regulated gene.
    const QStringList regulatory = readLines(settings.regulatoryReportPath);
    ASSERT_GE(regulatory.size(), 2);
    EXPECT_TRUE(regulatory[0].startsWith("#Chr\tPosition\tAllele\tdbSNP\tPromoter_of_Gene\t"));
    for (const QString& row : regulatory.mid(1)) {
        EXPECT_EQ(row.count('\t'), 15);
        EXPECT_TRUE(row.startsWith("chr2\t201\tC/A\t-\t")) << row.toStdString();
    }
    QFile raw(settings.inGeneReportPath);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_FALSE(raw.readAll().contains('\r'));
}

TEST_F(ReportTaskTest, AReportNoVariationBelongsToGetsNoBytesAndIsNotListed) {
    // A stale file from an earlier run must not pass for this run's report.
    QFile stale(settings.inGeneReportPath);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("#old report\n");
    stale.close();
    std::unique_ptr<SNPReportWriterTask> task = run({annotatedTrack({snv(NO_GENE_POS, 'C', 'T')})});
    ASSERT_FALSE(task->hasError());
    EXPECT_EQ(task->getReportFiles(), QStringList({settings.regulatoryReportPath}));
    EXPECT_EQ(QFileInfo(settings.inGeneReportPath).size(), 0);

    std::unique_ptr<SNPReportWriterTask> inGeneOnly = run({annotatedTrack({snv(KNOWN_POS, 'T', 'C')})});
    EXPECT_EQ(inGeneOnly->getReportFiles(), QStringList({settings.inGeneReportPath}));
    EXPECT_EQ(QFileInfo(settings.regulatoryReportPath).size(), 0);
}

TEST_F(ReportTaskTest, UnwritableReportPathFailsTheTaskNamesThePathAndKeepsThePreviousReports) {
    NxVariantTrack t = annotatedTrack({snv(KNOWN_POS, 'T', 'C'), snv(NO_GENE_POS, 'C', 'T')});
    QFile previous(settings.inGeneReportPath);
    ASSERT_TRUE(previous.open(QIODevice::WriteOnly));
    previous.write("#previous run\n");
    previous.close();
    // A report folder that cannot be made: its would-be parent is a file.
    const QString blocker = QFileInfo(dbs.sessionPath).absolutePath() + "/blocker";
    QFile blockerFile(blocker);
    ASSERT_TRUE(blockerFile.open(QIODevice::WriteOnly));
    blockerFile.close();
    settings.regulatoryReportPath = blocker + "/folder/regulatory.tsv";
    std::unique_ptr<SNPReportWriterTask> task = run({t});
    ASSERT_TRUE(task->hasError());
    EXPECT_TRUE(task->getError().contains(settings.regulatoryReportPath)) << task->getError().toStdString();
    // Both reports replace the old ones together, or neither does.
    EXPECT_EQ(readLines(settings.inGeneReportPath), QStringList{"#previous run"});
    EXPECT_TRUE(QDir(QFileInfo(settings.inGeneReportPath).absolutePath()).entryList({"*.tmp-*"}, QDir::Files).isEmpty());
    EXPECT_TRUE(task->getReportFiles().isEmpty());

    // A report folder that is not there yet is made.
    const QString made = QFileInfo(dbs.sessionPath).absolutePath() + "/made/for/the/reports";
    SNPReportSettings fresh = settings;
    settings.inGeneReportPath = made + "/in_gene.tsv";
    settings.regulatoryReportPath = made + "/regulatory.tsv";
    std::unique_ptr<SNPReportWriterTask> madeTask = run({t});
    EXPECT_FALSE(madeTask->hasError()) << madeTask->getError().toStdString();
    EXPECT_TRUE(readLines(settings.inGeneReportPath).first().startsWith("#Chr"));
    settings = fresh;

    settings.inGeneReportPath = settings.regulatoryReportPath;
    std::unique_ptr<SNPReportWriterTask> first = run({t});
    ASSERT_TRUE(first->hasError());
    EXPECT_TRUE(first->getReportFiles().isEmpty());
}

TEST_F(ReportTaskTest, MissingDatabaseAndNothingToDo) {
    NxVariantTrack t = annotatedTrack({snv(KNOWN_POS, 'T', 'C')});
    settings.dbPath = dbs.referencePath + ".missing";
    std::unique_ptr<SNPReportWriterTask> task = run({t});
    EXPECT_EQ(task->getError(), "Cannot open database file: " + settings.dbPath);
    EXPECT_FALSE(QFileInfo::exists(settings.dbPath));
    EXPECT_FALSE(QFileInfo::exists(settings.inGeneReportPath));

    std::unique_ptr<SNPReportWriterTask> empty = run({});
    EXPECT_FALSE(empty->hasError());
    EXPECT_TRUE(empty->getReportFiles().isEmpty());
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Several readers, each with its own connections, hand the report over part by part: the bytes
// are the single reader's, part boundaries between equal positions included.
TEST_F(ReportTaskTest, ParallelReadersWriteTheSingleReadersReports) {
    const QList<NxVariantTrack> tracks{annotatedTrack(everyPosition("chr1", SEQUENCE_LENGTH)),
                                       annotatedTrack(everyPosition("chr2", 2000), "chr2")};
    std::unique_ptr<SNPReportWriterTask> single(new SNPReportWriterTask(settings, tracks, dbs.sessionRef));
    single->setReadThreads(1);
    ASSERT_TRUE(TaskRunner::runAndWait(single.get(), 60000));
    ASSERT_FALSE(single->hasError()) << single->getError().toStdString();
    const QByteArray inGene = fileBytes(settings.inGeneReportPath);
    const QByteArray regulatory = fileBytes(settings.regulatoryReportPath);
    ASSERT_GT(inGene.count('\n'), 1000);
    ASSERT_GT(regulatory.count('\n'), 100);

    for (int threads : {2, 3}) {
        for (qint64 minPart : {1, 97, 2500}) {
            QFile::remove(settings.inGeneReportPath);
            QFile::remove(settings.regulatoryReportPath);
            std::unique_ptr<SNPReportWriterTask> parallel(new SNPReportWriterTask(settings, tracks, dbs.sessionRef));
            parallel->setReadThreads(threads, minPart);
            ASSERT_TRUE(TaskRunner::runAndWait(parallel.get(), 60000));
            ASSERT_FALSE(parallel->hasError()) << parallel->getError().toStdString();
            EXPECT_EQ(fileBytes(settings.inGeneReportPath), inGene) << threads << " threads, parts of " << minPart;
            EXPECT_EQ(fileBytes(settings.regulatoryReportPath), regulatory) << threads << " threads, parts of " << minPart;
            EXPECT_EQ(parallel->getReportFiles(), single->getReportFiles());
            EXPECT_EQ(parallel->stateInfo.getProgress(), 100);
        }
    }

    // Without a temporary folder to keep the parts' rows in, the task's thread reads them itself.
    {
        QFile::remove(settings.inGeneReportPath);
        QFile::remove(settings.regulatoryReportPath);
        std::unique_ptr<SNPReportWriterTask> noTemp(new SNPReportWriterTask(settings, tracks, dbs.sessionRef));
        noTemp->setReadThreads(2, 97);
        noTemp->setTemporaryFolder(QFileInfo(dbs.sessionPath).absolutePath() + "/no/such/tmp");
        ASSERT_TRUE(TaskRunner::runAndWait(noTemp.get(), 60000));
        EXPECT_FALSE(noTemp->hasError()) << noTemp->getError().toStdString();
        EXPECT_EQ(fileBytes(settings.inGeneReportPath), inGene);
        EXPECT_EQ(fileBytes(settings.regulatoryReportPath), regulatory);
    }

    // A regulatory report whose folder cannot be made fails the run before anything is read, and
    // the reports of the earlier run stay as they were.
    const QString blocker = QFileInfo(dbs.sessionPath).absolutePath() + "/blocker";
    QFile blockerFile(blocker);
    ASSERT_TRUE(blockerFile.open(QIODevice::WriteOnly));
    blockerFile.close();
    settings.regulatoryReportPath = blocker + "/folder/regulatory.tsv";
    std::unique_ptr<SNPReportWriterTask> failing(new SNPReportWriterTask(settings, tracks, dbs.sessionRef));
    failing->setReadThreads(2, 97);
    ASSERT_TRUE(TaskRunner::runAndWait(failing.get(), 60000));
    ASSERT_TRUE(failing->hasError());
    EXPECT_TRUE(failing->getError().contains(settings.regulatoryReportPath)) << failing->getError().toStdString();
    EXPECT_TRUE(failing->getReportFiles().isEmpty());
    EXPECT_EQ(fileBytes(settings.inGeneReportPath), inGene);
}

// Variations whose gene effects were never evaluated are evaluated and stored by the report, which
// parallel readers must not do: the calling thread takes over from the first such part and the
// reports are those of a single reader over the same unannotated data.
TEST_F(ReportTaskTest, UnevaluatedVariationsAreLeftToTheCallingThread) {
    auto unannotated = [](Databases& d, const SNPReportSettings& s, int threads) {
        NxOpStatusImpl os;
        // Every gene of chr1, the stretches between them and the far end no promoter reaches.
        QList<NxVariant> variants = everyPosition("chr1", SEQUENCE_LENGTH);
        NxVariantTrack t = d.addTrack(variants, os);
        EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
        std::unique_ptr<SNPReportWriterTask> task(new SNPReportWriterTask(s, {t}, d.sessionRef));
        task->setReadThreads(threads, 100);
        EXPECT_TRUE(TaskRunner::runAndWait(task.get(), 60000));
        EXPECT_FALSE(task->hasError()) << task->getError().toStdString();
        EXPECT_EQ(task->stateInfo.getProgress(), 100);
        return QPair<QByteArray, QByteArray>(fileBytes(s.inGeneReportPath), fileBytes(s.regulatoryReportPath));
    };
    const auto single = unannotated(dbs, settings, 1);

    Databases other;
    NxOpStatusImpl os;
    ASSERT_TRUE(other.buildReference(os)) << os.getError().toStdString();
    SNPReportSettings otherSettings = settings;
    otherSettings.dbPath = other.referencePath;
    otherSettings.inGeneReportPath = QFileInfo(other.sessionPath).absolutePath() + "/in_gene.tsv";
    otherSettings.regulatoryReportPath = QFileInfo(other.sessionPath).absolutePath() + "/regulatory.tsv";
    const auto parallel = unannotated(other, otherSettings, 3);
    EXPECT_GT(single.first.count('\n'), 100);
    EXPECT_EQ(parallel.first, single.first);
    EXPECT_EQ(parallel.second, single.second);

    // The effects were stored on the way: an evaluator finds nothing left to evaluate.
    DbiConnection session(other.sessionRef, false, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    QList<NxDataId> tracks = session.dbi->getVariantDbi()->getVariantTracks(os);
    ASSERT_EQ(tracks.size(), 1);
    int checked = 0;
    for (const NxRegion& region : {NxRegion(FWD_CODON0, 10), NxRegion(NO_GENE_POS, 10), NxRegion(3300, 700)}) {
        std::unique_ptr<NxDbiIterator<NxVariant>> it(
            session.dbi->getVariantDbi()->getVariantsInRegion(tracks[0], region, os));
        while (it->hasNext()) {
            const NxVariant v = it->next();
            EXPECT_FALSE(v.isSingleBase() && session.dbi->getDamageEffectDbi()->needsGeneEvaluation(v.id, os))
                << v.startPos;
            ++checked;
        }
    }
    EXPECT_GT(checked, 800);
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
}

TEST(SNPReportWriterTaskTest, OnlyAdjacentEqualRowsAreMerged) {
    QStringList rows{"a", "a", "a", "b", "a", "c", "c"};
    SNPReportWriterTask::removeRepeatedRows(rows);
    EXPECT_EQ(rows, QStringList({"a", "b", "a", "c"}));
    QStringList none;
    SNPReportWriterTask::removeRepeatedRows(none);
    EXPECT_TRUE(none.isEmpty());
}

// ---- The element -----------------------------------------------------------------------------

ActorPrototype* installedProto() {
    ActorPrototype* p = WorkflowEnv::getProtoRegistry()->getProto(SNPReportWriterFactory::ACTOR_ID);
    if (p == nullptr) {
        SNPReportWriterFactory::install();
        p = WorkflowEnv::getProtoRegistry()->getProto(SNPReportWriterFactory::ACTOR_ID);
    }
    return p;
}

TEST(SNPReportElementTest, PrototypeAndPrompter) {
    ensureApplication();
    AppContextImpl::getApplicationContext();
    ActorPrototype* proto = installedProto();
    ASSERT_NE(proto, nullptr);
    EXPECT_EQ(proto->getDisplayName(), "Write SNP Report");
    ASSERT_EQ(proto->getPortDesciptors().size(), 1);  // no output port
    QStringList ids;
    for (Attribute* a : proto->getAttributes()) {
        ids << a->getId();
    }
    EXPECT_EQ(ids, QStringList({"report_path", "regulatory_report_path", "db_path"}));

    std::unique_ptr<Actor> a(proto->createInstance("report"));
    a->setParameter("report_path", QString());
    a->setParameter("regulatory_report_path", QString("/tmp/reg.tsv"));
    std::unique_ptr<ActorDocument> doc(proto->getPrompter()->createDescription(a.get()));
    const QString unset = "<font color='red'>unset</font>";
    const QString html = doc->getHtml();
    EXPECT_TRUE(html.startsWith("Uses SNPs from <u>" + unset + "</u> as input. Writes in-gene SNP report to <u>" +
                                unset + "</u>."))
        << html.toStdString();
    EXPECT_TRUE(html.contains(" Writes regulatory SNP report to <u>")) << html.toStdString();
    EXPECT_TRUE(html.contains("/tmp/reg.tsv"));
}

class ReportWorkerTest : public ReportTaskTest, protected WorkerTestBed<SNPReportWriter> {
protected:
    void SetUp() override {
        ReportTaskTest::SetUp();
        ActorPrototype* proto = installedProto();
        ASSERT_NE(proto, nullptr);
        wire(proto->createInstance("report"), dbs.sessionRef);
        actor->setParameter("db_path", settings.dbPath);
        actor->setParameter("report_path", settings.inGeneReportPath);
        actor->setParameter("regulatory_report_path", settings.regulatoryReportPath);
        ASSERT_TRUE(start(makeRegisteredWorker(SNPReportWriterFactory::ACTOR_ID)));
    }

    void TearDown() override { release(); }

    void sendTrack(const NxVariantTrack& t, DbiDataStorage* from = nullptr) { WorkerTestBed::sendTrack(t.id, from); }

    QList<Task*> drive(int maxSteps = 20) { return WorkerTestBed::drive(maxSteps); }
};

TEST_F(ReportWorkerTest, TwoTracksGiveOneTaskInArrivalOrderAndItsFilesAreRegistered) {
    NxVariantTrack second = annotatedTrack({snv(REV_CODON1_START, 'C', 'T')});
    NxVariantTrack first = annotatedTrack({snv(KNOWN_POS, 'T', 'C')});
    sendTrack(first);
    EXPECT_TRUE(drive().isEmpty());  // waits for the end of its input
    sendTrack(second);
    upstream.setEnded();
    QList<Task*> run = drive();
    ASSERT_EQ(run.size(), 1);
    ASSERT_FALSE(run[0]->hasError()) << run[0]->getError().toStdString();
    EXPECT_TRUE(worker->isDone());
    const QStringList rows = readLines(settings.inGeneReportPath);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_TRUE(rows[1].startsWith("chr1\t122\t"));
    EXPECT_TRUE(rows[3].startsWith("chr1\t1265\t"));  // the track that came second comes last
    ASSERT_EQ(monitor.getOutputFiles().size(), 1);  // nothing was regulatory
    EXPECT_EQ(monitor.getOutputFiles()[0].url, settings.inGeneReportPath);
    EXPECT_EQ(monitor.getOutputFiles()[0].producer, "report");
}

TEST_F(ReportWorkerTest, ATrackOfAnotherDatabaseIsLoggedAndStillHandedOver) {
    NxVariantTrack t = annotatedTrack({snv(KNOWN_POS, 'T', 'C')});
    Databases other;
    NxOpStatusImpl os;
    QList<NxVariant> vs{snv(NO_GENE_POS, 'C', 'T')};
    NxVariantTrack foreign = other.addTrack(vs, os);
    DbiDataStorage otherStorage(other.sessionRef);
    LogCapture log;
    sendTrack(t);
    sendTrack(foreign, &otherStorage);
    upstream.setEnded();
    QList<Task*> run = drive();
    EXPECT_TRUE(log.contains("Core Services", LogLevel_ERROR, "Tracks are stored in different databases"));
    ASSERT_EQ(run.size(), 1);
    EXPECT_FALSE(run[0]->hasError());
}

TEST_F(ReportWorkerTest, AFailedTaskRegistersNothingAndIsNotStartedAgain) {
    actor->setParameter("db_path", dbs.referencePath + ".missing");
    sendTrack(annotatedTrack({snv(KNOWN_POS, 'T', 'C')}));
    upstream.setEnded();
    QList<Task*> run = drive();
    ASSERT_EQ(run.size(), 1);
    EXPECT_TRUE(run[0]->hasError());
    EXPECT_FALSE(worker->isDone());
    EXPECT_TRUE(monitor.getOutputFiles().isEmpty());
}

TEST_F(ReportWorkerTest, MessageWithoutTrackFailsTheStep) {
    upstream.put(Message(BaseTypes::ANY_TYPE(), QVariantMap()));
    Task* t = worker->step();
    ASSERT_NE(t, nullptr);
    tasks << t;
    EXPECT_EQ(t->getError(), "Variations slot is empty");
}

}  // namespace
