// nolix-script-elements-bench [--variations N] [--data-dir DIR] [--element ID] [--server-only]
// For each of the five script elements: its worker (as the workflow engine drives it) over N
// demo variations of the kind it asks about (any for rSNP-tools, coding changes for the protein
// elements, rs identifiers for ChIP tools), on a demo reference built by nolix-demo-data and
// nolix-refdb (or found in --data-dir). Measured in one run, over the same requests:
//   loop    - a plain loop of "python3 script args" with the element's command lines;
//   process - the element with one interpreter process per request (NX_PYTHON_SERVER=0);
//   server  - the element with the host's pre-started interpreter (the default).
// Prints requests per second of each and the ratio server / loop. Requests run several at once
// (NX_REQUESTS_PARALLEL, default the number of processors); the plain loop's rate is taken over
// its first 100 command lines. Variations of a kind repeat in turn when N is larger than the
// demo has of them.
#include <RequestForSnpTask.h>
#include <prot_stability_1d/ProtStability1DWorkerFactory.h>
#include <prot_stability_3d/ProtStability3DWorkerFactory.h>
#include <rsnp_tools/RSnpToolsWorkerFactory.h>
#include <snp2pdb_site/Snp2PdbSiteWorkerFactory.h>
#include <snp_chip_tools/SnpChipToolsWorkerFactory.h>

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/tasks/PythonScriptServer.h>
#include <NxLang/base/BasePorts.h>
#include <NxLang/base/BaseSlots.h>
#include <NxLang/datatype/BaseTypes.h>
#include <NxLang/engine/IntegralBus.h>
#include <NxLang/engine/WorkflowContext.h>
#include <NxLang/engine/WorkflowMonitor.h>
#include <NxLang/model/Actor.h>
#include <NxLang/registry/LocalDomainFactory.h>
#include <NxLang/registry/WorkflowEnv.h>
#include <NxLang/storage/DbiDataStorage.h>
#include <BaseRequestForSnpWorker.h>
#include <NxPrivate/core/AppContextImpl.h>
#include <NxPrivate/tasks/TaskRunner.h>
#include <NxPrivate/tasks/TaskSchedulerImpl.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <memory>

using namespace Nx;
using namespace Nx::LocalWorkflow;

namespace {

const int LOOP_SAMPLE = 100;

struct Record {
    QString chrom;
    NxVariant variant;
    QByteArray demoClass;
};

bool runTool(const QString& name, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QString(NX_BINARY_DIR) + "/bin/" + name, args);
    return p.waitForFinished(600000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QList<Record> readVcf(const QString& path) {
    QList<Record> res;
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    while (!f.atEnd()) {
        const QList<QByteArray> c = f.readLine().trimmed().split('\t');
        if (c.size() < 8 || c[0].startsWith('#')) {
            continue;
        }
        Record r;
        r.chrom = QString::fromLatin1(c[0]);
        r.variant.startPos = c[1].toLongLong() - 1;
        r.variant.refData = c[3];
        r.variant.obsData = c[4].split(',').first();
        r.variant.endPos = r.variant.startPos + r.variant.refData.size();
        r.variant.publicId = c[2] == "." ? QString() : QString::fromLatin1(c[2]);
        r.demoClass = c[7];
        res << r;
    }
    return res;
}

struct Element {
    const char* id;
    std::function<void()> install;
    std::function<bool(const Record&)> wanted;
};

// Runs the element's worker over the records (one track per chromosome); returns the seconds
// and fills the command lines of the requests it ran.
double runElement(const Element& e, const QList<Record>& records, const QString& reference, const QString& session,
                  QList<QStringList>& commandLines) {
    ActorPrototype* proto = WorkflowEnv::getProtoRegistry()->getProto(e.id);
    DomainFactory* factory = WorkflowEnv::getDomainRegistry()->getById(LocalDomainFactory::ID)->getById(e.id);
    std::unique_ptr<Actor> actor(proto->createInstance(e.id));
    if (proto->getAttribute("db_path") != nullptr) {
        actor->setParameter("db_path", reference);
    }
    IntegralBus upstream("up", false), in(BasePorts::IN_VARIATION_TRACK_PORT_ID(), true);
    IntegralBus out(BasePorts::OUT_VARIATION_TRACK_PORT_ID(), false), downstream("down", true);
    upstream.addReceiver(&in);
    out.addReceiver(&downstream);
    const NxDbiRef sessionRef(SQLITE_DBI_ID, session);
    DbiDataStorage storage(sessionRef);
    WorkflowMonitor monitor;
    WorkflowContext context({actor.get()}, &storage, &monitor, QString());
    std::unique_ptr<BaseRequestForSnpWorker> worker(dynamic_cast<BaseRequestForSnpWorker*>(factory->makeWorker(actor.get())));
    worker->bindPorts({{BasePorts::IN_VARIATION_TRACK_PORT_ID(), &in}, {BasePorts::OUT_VARIATION_TRACK_PORT_ID(), &out}});
    worker->setContext(&context);
    worker->start();

    QMap<QString, QList<NxVariant>> byChromosome;
    for (const Record& r : records) {
        byChromosome[r.chrom] << r.variant;
    }
    NxOpStatusImpl os;
    DbiConnection con(sessionRef, true, os);
    double seconds = 0;
    for (auto it = byChromosome.begin(); it != byChromosome.end(); ++it) {
        NxVariantTrack track;
        track.visualName = it.key();
        track.sequenceName = it.key();
        con.dbi->getVariantDbi()->createVariantTrack(track, os);
        con.dbi->getVariantDbi()->addVariantsToTrack(track, it.value(), os);
        QVariantMap data;
        data[BaseSlots::VARIATION_TRACK_SLOT().getId()] = QVariant::fromValue(storage.putVariantTrack(track.id));
        upstream.put(Message(BaseTypes::ANY_TYPE(), data));
        QElapsedTimer timer;
        timer.start();
        // The track runs in windows, one step each, as the engine drives it.
        while (Task* group = worker->step()) {
            for (int i = 0; i < group->getSubtaskCount(); ++i) {
                if (auto* t = qobject_cast<RequestForSnpTask*>(group->getSubtaskAt(i))) {
                    commandLines << t->getArguments();
                }
            }
            TaskRunner::runAndWait(group, 3600000);
            const bool failed = group->hasError();
            if (failed) {
                std::fprintf(stderr, "%s: %s\n", e.id, qPrintable(group->getError()));
            }
            delete group;
            if (failed) {
                break;
            }
        }
        seconds += timer.elapsed() / 1000.0;
        if (worker->getFailedRequestCount() > 0) {
            std::fprintf(stderr, "%s: %lld requests failed\n", e.id, worker->getFailedRequestCount());
        }
    }
    return seconds;
}

double plainLoop(const QString& python, const QList<QStringList>& commandLines) {
    QElapsedTimer timer;
    timer.start();
    for (const QStringList& args : commandLines) {
        QProcess p;
        p.start(python, args);
        p.waitForFinished(60000);
        p.readAllStandardOutput();
    }
    return timer.elapsed() / 1000.0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int at = args.indexOf("--variations");
    const int count = at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : 100;
    const int dataAt = args.indexOf("--data-dir");
    QTemporaryDir tmp;
    const QString dir = dataAt >= 0 && dataAt + 1 < args.size() ? args[dataAt + 1] : tmp.path();
    if (!QFile::exists(dir + "/reference.s3db")) {
        std::fprintf(stderr, "building demo data in %s\n", qPrintable(dir));
        if (!runTool("nolix-demo-data", {"--out-dir", dir}) ||
            !runTool("nolix-refdb", {"--out", dir + "/reference.s3db", "--fasta", dir + "/genome.fa", "--genes",
                                     dir + "/genes.gff3", "--gene-info", dir + "/gene_info.tsv"})) {
            std::fprintf(stderr, "cannot build the demo data\n");
            return 1;
        }
    }
    qputenv("NX_SNP_RSID_TABLE", QFile::encodeName(dir + "/rsids.bed"));
    qputenv("NX_CHIP_PEAK_DIR", QFile::encodeName(dir + "/chip_peaks"));
    if (!qEnvironmentVariableIsSet("NX_SNP_CACHE_DIR")) {
        qputenv("NX_SNP_CACHE_DIR", QFile::encodeName(tmp.path() + "/cache"));
    }
    AppContextImpl* ctx = AppContextImpl::getApplicationContext();
    ctx->setTaskScheduler(new TaskSchedulerImpl(nullptr));
    ctx->setWorkingDirectoryPath(QString(NX_SOURCE_DIR) + "/bench/script_elements");
    const QString python = QStandardPaths::findExecutable("python3");

    const QList<Record> all = readVcf(dir + "/variants.vcf");
    auto coding = [](const Record& r) { return r.demoClass == "DEMO=coding_missense"; };
    const QList<Element> elements{
        {"rSnp-tools", &RSnpToolsWorkerFactory::install, [](const Record&) { return true; }},
        {"prot-stability-1d", &ProtStability1DWorkerFactory::install, coding},
        {"prot-stability-3d", &ProtStability3DWorkerFactory::install, coding},
        {"snp2pdb-site", &Snp2PdbSiteWorkerFactory::install, coding},
        {"snp-chip-tools", &SnpChipToolsWorkerFactory::install, [](const Record& r) { return r.variant.publicId.startsWith("rs"); }},
    };
    std::printf("%-18s %8s %12s %12s %12s %8s\n", "element", "requests", "loop req/s", "process r/s", "server r/s",
                "server/loop");
    const int onlyAt = args.indexOf("--element");
    const QString only = onlyAt >= 0 && onlyAt + 1 < args.size() ? args[onlyAt + 1] : QString();
    const bool serverOnly = args.contains("--server-only");
    int session = 0;
    for (const Element& e : elements) {
        if (!only.isEmpty() && only != e.id) {
            continue;
        }
        e.install();
        // The element's kind of variation, taken again in turn until there are enough of them.
        QList<Record> kind;
        for (const Record& r : all) {
            if (e.wanted(r)) {
                kind << r;
            }
        }
        QList<Record> records;
        for (int i = 0; !kind.isEmpty() && records.size() < count; ++i) {
            records << kind[i % kind.size()];
        }
        // Warm the scripts' data caches, so every variant starts from the same state.
        QList<QStringList> warm;
        runElement(e, records.mid(0, 2), dir + "/reference.s3db", tmp.filePath(QString("s%1.s3db").arg(session++)), warm);
        plainLoop(python, warm);

        QList<QStringList> lines;
        double process = 0;
        if (!serverOnly) {
            qputenv("NX_PYTHON_SERVER", "0");
            process = runElement(e, records, dir + "/reference.s3db", tmp.filePath(QString("s%1.s3db").arg(session++)), lines);
            qunsetenv("NX_PYTHON_SERVER");
        }
        PythonScriptServer::shutdown();
        QList<QStringList> again;
        const double server = runElement(e, records, dir + "/reference.s3db", tmp.filePath(QString("s%1.s3db").arg(session++)), again);
        // The plain loop is slow: its rate is taken over the first LOOP_SAMPLE command lines.
        if (serverOnly) {
            std::printf("%-18s %8d %12s %12s %12.1f %8s\n", e.id, int(again.size()), "-", "-", again.size() / server, "-");
            std::fflush(stdout);
            continue;
        }
        const QList<QStringList> sample = lines.mid(0, LOOP_SAMPLE);
        const double loop = plainLoop(python, sample);
        const int n = lines.size();
        const double loopRate = sample.size() / loop;
        std::printf("%-18s %8d %12.1f %12.1f %12.1f %8.2f\n", e.id, n, loopRate, n / process, again.size() / server,
                    (again.size() / server) / loopRate);
        std::fflush(stdout);
    }
    PythonScriptServer::shutdown();
    return 0;
}
