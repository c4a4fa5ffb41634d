// The "read-variations" element and console runs end to end: real VCF files, a real session
// database, the real engine, and the real resource_probe program with the built plug-ins.
#include "../ConsoleWorkflowRunTask.h"
#include "../ReadVariationsWorker.h"
#include "../WorkflowCmdLineHandlers.h"

#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxLang/base/BaseSlots.h>
#include <NxLang/datatype/BaseTypes.h>
#include <NxLang/engine/WorkflowContext.h>
#include <NxLang/registry/LocalDomainFactory.h>
#include <NxLang/registry/WorkflowEnv.h>
#include <NxLang/storage/DbiDataStorage.h>
#include <NxLang/storage/StorageUtils.h>
#include <NxPrivate/tasks/TaskRunner.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>

using namespace Nx;
using namespace Nx::LocalWorkflow;

namespace {

// Journals the chromosome of every track it receives, read back through the track handle.
QStringList& sinkJournal() {
    static QStringList j;
    return j;
}

class TrackSink : public BaseWorker {
public:
    explicit TrackSink(Actor* a) : BaseWorker(a) {}
    void start() override { in = ports.value("in"); }
    Task* step() override {
        while (in->hasMessage()) {
            const QVariantMap data = getMessageAndSetupScriptValues(in).getData().toMap();
            auto h = data.value(BaseSlots::VARIATION_TRACK_SLOT().getId()).value<SharedDbiDataHandler>();
            QScopedPointer<VariantTrackObject> obj(StorageUtils::getVariantTrackObject(context->getDataStorage(), h));
            NxOpStatusImpl os;
            sinkJournal() << (obj.isNull() ? QString("no object") : obj->getVariantTrack(os).sequenceName);
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

class SinkFactory : public DomainFactory {
public:
    SinkFactory() : DomainFactory("track-sink") {}
    Worker* makeWorker(Actor* a) override { return new TrackSink(a); }
};

void setUpOnce() {
    static int argc = 1;
    static char name[] = "runner-test";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) {
        new QCoreApplication(argc, argv);
    }
    if (WorkflowEnv::getProtoRegistry()->getProto("track-sink") != nullptr) {
        return;
    }
    ReadVariationsWorkerFactory::install();
    QMap<Descriptor, DataTypePtr> m;
    m[BaseSlots::VARIATION_TRACK_SLOT()] = BaseTypes::VARIATION_TRACK_TYPE();
    WorkflowEnv::getProtoRegistry()->registerProto(
        Descriptor("test"),
        new IntegralBusActorPrototype(Descriptor("track-sink"), {new PortDescriptor(Descriptor("in"),
                                                                                     DataTypePtr(new MapDataType(Descriptor("s"), m)), true)}));
    WorkflowEnv::getDomainRegistry()->getById(LocalDomainFactory::ID)->registerEntry(new SinkFactory());
}

void writeFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

const QByteArray VCF_HEADER =
    "##fileformat=VCFv4.2\n##contig=<ID=chr1>\n##contig=<ID=chr2>\n"
    "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n";

const QByteArray GOOD_VCF = VCF_HEADER +
    "chr1\t100\trs1\tA\tG,T\t.\t.\t.\n"
    "chr1\t200\t.\tAC\tA\t.\t.\t.\n"
    "chr2\t50\trs3\tG\t<DEL>\t.\t.\t.\n"
    "chr2\t60\trs4\tC\tT\t.\t.\t.\n";

// Line 6 has a POS that is no number.
const QByteArray BAD_VCF = VCF_HEADER + "chr1\t10\t.\tA\tG\t.\t.\t.\nchr1\tten\t.\tA\tG\t.\t.\t.\n";

QString readWorkflow(const QString& files) {
    return QString(R"J({"elements": [{"name": "read", "type": "read-variations", "attributes": {"url-in": "%1"}},
                                     {"name": "sink", "type": "track-sink"}],
                        "links": [{"from": "read", "to": "sink"}]})J")
        .arg(files);
}

struct RunOutcome {
    QString error;
    QString sessionDb;
};

RunOutcome runConsoleTask(const QString& workflow, const QString& sessionDb) {
    auto* t = new ConsoleWorkflowRunTask(workflow, {}, sessionDb);
    EXPECT_TRUE(TaskRunner::runAndWait(t, 60000));
    RunOutcome r{t->getError(), t->getSessionDbPath()};
    delete t;
    return r;
}

QList<NxVariant> variantsOf(DbiConnection& con, const NxVariantTrack& track) {
    NxOpStatusImpl os;
    QScopedPointer<NxDbiIterator<NxVariant>> it(
        con.dbi->getVariantDbi()->getVariantsInRegion(track.id, NxRegion(0, std::numeric_limits<qint64>::max()), os));
    QList<NxVariant> res;
    while (it && it->hasNext()) {
        res << it->next();
    }
    return res;
}

}  // namespace

TEST(ReadVariations, importsOneTrackPerChromosomeAndSendsOneMessagePerTrack) {
    setUpOnce();
    sinkJournal().clear();
    QTemporaryDir dir;
    writeFile(dir.filePath("in.vcf"), GOOD_VCF);
    writeFile(dir.filePath("flow.json"), readWorkflow("in.vcf").toUtf8());  // relative to the file
    const QString db = dir.filePath("kept.s3db");
    RunOutcome r = runConsoleTask(dir.filePath("flow.json"), db);
    ASSERT_TRUE(r.error.isEmpty()) << r.error.toStdString();
    EXPECT_EQ(sinkJournal(), QStringList({"chr1", "chr2"}));

    NxOpStatusImpl os;
    DbiConnection con(NxDbiRef(SQLITE_DBI_ID, db), false, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    const QList<NxDataId> trackIds = con.dbi->getVariantDbi()->getVariantTracks(os);
    ASSERT_EQ(trackIds.size(), 2);
    NxVariantTrack chr1 = con.dbi->getVariantDbi()->getVariantTrack(trackIds[0], os);
    EXPECT_EQ(chr1.sequenceName, "chr1");
    EXPECT_TRUE(chr1.sequence.isEmpty());
    const QList<NxVariant> v1 = variantsOf(con, chr1);
    ASSERT_EQ(v1.size(), 3);  // two ALT alleles at 100, one at 200
    EXPECT_EQ(v1[0].startPos, 99);
    EXPECT_EQ(v1[0].endPos, 100);
    EXPECT_EQ(v1[0].publicId, "rs1");
    EXPECT_EQ(QSet<QByteArray>({v1[0].obsData, v1[1].obsData}), QSet<QByteArray>({"G", "T"}));
    EXPECT_EQ(v1[2].startPos, 199);
    EXPECT_EQ(v1[2].endPos, 201);  // start + length of REF "AC"
    EXPECT_TRUE(v1[2].publicId.isEmpty());
    // The symbolic ALT at chr2:50 is skipped.
    const QList<NxVariant> v2 = variantsOf(con, con.dbi->getVariantDbi()->getVariantTrack(trackIds[1], os));
    ASSERT_EQ(v2.size(), 1);
    EXPECT_EQ(v2[0].publicId, "rs4");
}

TEST(ReadVariations, malformedFileFailsTheRunNamingFileAndLineAndKeepsWhatWasImported) {
    setUpOnce();
    QTemporaryDir dir;
    writeFile(dir.filePath("good.vcf"), GOOD_VCF);
    writeFile(dir.filePath("bad.vcf"), BAD_VCF);
    writeFile(dir.filePath("flow.json"), readWorkflow("good.vcf;bad.vcf").toUtf8());
    const QString db = dir.filePath("kept.s3db");
    RunOutcome r = runConsoleTask(dir.filePath("flow.json"), db);
    EXPECT_TRUE(r.error.contains(dir.filePath("bad.vcf"))) << r.error.toStdString();
    EXPECT_TRUE(r.error.contains("6")) << r.error.toStdString();
    NxOpStatusImpl os;
    DbiConnection con(NxDbiRef(SQLITE_DBI_ID, db), false, os);
    ASSERT_FALSE(os.hasError());
    // The good file's two tracks and the bad file's chromosome up to the bad line stay.
    EXPECT_GE(con.dbi->getVariantDbi()->getVariantTracks(os).size(), 2);
}

TEST(ReadVariations, missingFileAndExistingSessionDbAreClearErrors) {
    setUpOnce();
    QTemporaryDir dir;
    writeFile(dir.filePath("flow.json"), readWorkflow("absent.vcf").toUtf8());
    RunOutcome r = runConsoleTask(dir.filePath("flow.json"), QString());
    EXPECT_TRUE(r.error.contains(dir.filePath("absent.vcf"))) << r.error.toStdString();
    EXPECT_FALSE(QFile::exists(r.sessionDb));  // the temporary database is removed
    EXPECT_TRUE(r.error.contains("does not exist")) << r.error.toStdString();

    // A named pipe or a folder exists: the message says what it is instead.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe.vcf")).constData(), 0600), 0);
    writeFile(dir.filePath("flow.json"), readWorkflow("pipe.vcf").toUtf8());
    r = runConsoleTask(dir.filePath("flow.json"), QString());
    EXPECT_TRUE(r.error.contains("is not a regular file (a named pipe")) << r.error.toStdString();
    ASSERT_TRUE(QDir(dir.path()).mkdir("calls.vcf"));
    writeFile(dir.filePath("flow.json"), readWorkflow("calls.vcf").toUtf8());
    r = runConsoleTask(dir.filePath("flow.json"), QString());
    EXPECT_TRUE(r.error.contains("is a folder, not a file")) << r.error.toStdString();
    writeFile(dir.filePath("flow.json"), readWorkflow("absent.vcf").toUtf8());

    writeFile(dir.filePath("taken.s3db"), "x");
    r = runConsoleTask(dir.filePath("flow.json"), dir.filePath("taken.s3db"));
    EXPECT_TRUE(r.error.contains("already exists")) << r.error.toStdString();
}

TEST(ReadVariations, listingShowsElementsPortsAndAttributes) {
    setUpOnce();
    const QString text = ListElementsCmdLineHandler::listElements();
    EXPECT_TRUE(text.contains("read-variations\tRead Variations")) << text.toStdString();
    EXPECT_TRUE(text.contains("port out-variations\toutput")) << text.toStdString();
    EXPECT_TRUE(text.contains("attribute url-in\tInput files\tstring, required\tdefault: \"\"\teditor: input file"))
        << text.toStdString();
}

// The real console program with the plug-ins of this build.
TEST(ConsoleRun, resourceProbeRunsWorkflowsAndExitsWithTheirOutcome) {
    const QString probe = QString(NX_BINARY_DIR) + "/bin/resource_probe";
    if (!QFile::exists(probe)) {
        GTEST_SKIP() << "resource_probe is not built";
    }
    setUpOnce();
    QTemporaryDir dir;
    writeFile(dir.filePath("in.vcf"), GOOD_VCF);
    writeFile(dir.filePath("bad.vcf"), BAD_VCF);
    writeFile(dir.filePath("flow.json"),
              R"J({"elements": [{"name": "read", "type": "read-variations", "attributes": {"url-in": "in.vcf"}}]})J");

    QProcess p;
    p.start(probe, {"--list-elements"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_TRUE(p.readAllStandardOutput().contains("attribute url-in"));

    p.start(probe, {"--workflow=" + dir.filePath("flow.json"), "--session-db=" + dir.filePath("s.s3db")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("s.s3db")));

    p.start(probe, {"--workflow=" + dir.filePath("flow.json"), "--set", "read.url-in=" + dir.filePath("bad.vcf")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardError().contains("bad.vcf"));

    p.start(probe, {"--workflow=" + dir.filePath("flow.json"), "--set", "read.nothing=1"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardError().contains("unknown attribute \"nothing\""));
}

// A kept session database tells whether its run finished: a run killed half-way (here while it
// imports a large file) leaves one that the console refuses as incomplete.
TEST(ConsoleRun, keptSessionDatabaseRecordsWhetherItsRunFinished) {
    const QString probe = QString(NX_BINARY_DIR) + "/bin/resource_probe";
    if (!QFile::exists(probe)) {
        GTEST_SKIP() << "resource_probe is not built";
    }
    QTemporaryDir dir;
    writeFile(dir.filePath("in.vcf"), GOOD_VCF);
    writeFile(dir.filePath("bad.vcf"), BAD_VCF);
    writeFile(dir.filePath("flow.json"),
              R"J({"elements": [{"name": "read", "type": "read-variations", "attributes": {"url-in": "in.vcf"}}]})J");
    auto check = [&](const QString& db, QString& out) {
        QProcess c;
        c.start(probe, {"--check-session-db=" + db});
        EXPECT_TRUE(c.waitForFinished(60000));
        out = QString::fromLocal8Bit(c.readAllStandardOutput() + c.readAllStandardError());
        return c.exitCode();
    };
    QString out;

    QProcess p;
    p.start(probe, {"--workflow=" + dir.filePath("flow.json"), "--session-db=" + dir.filePath("done.s3db")});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_EQ(check(dir.filePath("done.s3db"), out), 0) << out.toStdString();
    EXPECT_TRUE(out.contains("the run finished")) << out.toStdString();

    p.start(probe, {"--workflow=" + dir.filePath("flow.json"), "--set", "read.url-in=" + dir.filePath("bad.vcf"),
                    "--session-db=" + dir.filePath("failed.s3db")});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_NE(p.exitCode(), 0);
    EXPECT_NE(check(dir.filePath("failed.s3db"), out), 0);
    EXPECT_TRUE(out.contains("the run failed")) << out.toStdString();

    // A file large enough that the import is still going when the run is killed.
    {
        QFile big(dir.filePath("big.vcf"));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        big.write(VCF_HEADER);
        QByteArray chunk;
        for (int i = 1; i <= 2000000; ++i) {
            chunk += "chr1\t" + QByteArray::number(i) + "\t.\tA\tG\t.\t.\t.\n";
            if (chunk.size() > (1 << 20)) {
                big.write(chunk);
                chunk.clear();
            }
        }
        big.write(chunk);
    }
    const QString killed = dir.filePath("killed.s3db");
    p.start(probe, {"--workflow=" + dir.filePath("flow.json"), "--set", "read.url-in=" + dir.filePath("big.vcf"),
                    "--session-db=" + killed});
    ASSERT_TRUE(p.waitForStarted(60000));
    // The database is made before the workflow starts reading.
    for (int i = 0; i < 30000 && !QFile::exists(killed) && p.state() == QProcess::Running; ++i) {
        QThread::msleep(1);
    }
    QThread::msleep(100);
    ASSERT_EQ(p.state(), QProcess::Running) << "the import ended before it could be killed";
    ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
    p.waitForFinished(60000);
    EXPECT_NE(check(killed, out), 0);
    EXPECT_TRUE(out.contains("never finished")) << out.toStdString();
    EXPECT_TRUE(out.contains(killed)) << out.toStdString();

    EXPECT_NE(check(dir.filePath("in.vcf"), out), 0);  // no database at all
}

// A run killed with SIGKILL leaves its temporary session folder; the next run removes it, and
// keeps folders of processes that still run and names it did not make.
TEST(ConsoleRun, nextRunRemovesTheTemporaryFolderOfAKilledRun) {
    const QString probe = QString(NX_BINARY_DIR) + "/bin/resource_probe";
    if (!QFile::exists(probe)) {
        GTEST_SKIP() << "resource_probe is not built";
    }
    QTemporaryDir dir, tmp;
    writeFile(dir.filePath("in.vcf"), GOOD_VCF);
    writeFile(dir.filePath("flow.json"),
              R"J({"elements": [{"name": "read", "type": "read-variations", "attributes": {"url-in": "in.vcf"}}]})J");
    {
        QFile big(dir.filePath("big.vcf"));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        big.write(VCF_HEADER);
        QByteArray chunk;
        for (int i = 1; i <= 1000000; ++i) {
            chunk += "chr1\t" + QByteArray::number(i) + "\t.\tA\tG\t.\t.\t.\n";
        }
        big.write(chunk);
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", tmp.path());
    auto runFolders = [&]() {
        return QDir(tmp.path()).entryList({"nolix-workflow-*"}, QDir::Dirs | QDir::NoDotAndDotDot);
    };

    QProcess p;
    p.setProcessEnvironment(env);
    p.start(probe, {"--workflow=" + dir.filePath("flow.json"), "--set", "read.url-in=" + dir.filePath("big.vcf")});
    ASSERT_TRUE(p.waitForStarted(60000));
    for (int i = 0; i < 30000 && runFolders().isEmpty() && p.state() == QProcess::Running; ++i) {
        QThread::msleep(1);
    }
    QThread::msleep(100);
    ASSERT_EQ(p.state(), QProcess::Running) << "the import ended before it could be killed";
    const QStringList killedFolders = runFolders();
    ASSERT_EQ(killedFolders.size(), 1);
    EXPECT_TRUE(killedFolders[0].startsWith(QString("nolix-workflow-%1-").arg(p.processId())));
    ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
    p.waitForFinished(60000);
    ASSERT_EQ(runFolders(), killedFolders);

    // Owned by a live process (this test), and a name without an owner: both stay.
    const QString live = QString("nolix-workflow-%1-AbC123").arg(QCoreApplication::applicationPid());
    ASSERT_TRUE(QDir(tmp.path()).mkpath(live + "/inner"));
    writeFile(tmp.filePath(live + "/session.s3db"), "in use");
    ASSERT_TRUE(QDir(tmp.path()).mkdir("nolix-workflow-QwErTy"));

    p.start(probe, {"--workflow=" + dir.filePath("flow.json")});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QStringList left = runFolders();
    left.sort();
    EXPECT_EQ(left, QStringList({live, "nolix-workflow-QwErTy"}));
    EXPECT_TRUE(QFile::exists(tmp.filePath(live + "/session.s3db")));
}
