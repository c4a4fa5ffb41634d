// Throughput and memory of the report step alone: imports a VCF into a fresh workflow database and
// annotates it (neither measured), then runs the report task over all tracks as the element would
// and prints variations per second and the peak resident memory of the report step (the
// kernel's high-water mark is reset just before it starts).
#include <SNPReportWriterTask.h>
#include <snp_toolbox/VOZAdarovaTask.h>

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/log/Logger.h>
#include <NxPrivate/core/AppContextImpl.h>
#include <NxPrivate/tasks/TaskRunner.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

#include "../common/DbVcfOptions.h"
#include "../common/ImportVcf.h"
#include "../common/ProcessMemory.h"

using namespace Nx;
using NxBench::resetPeakRss;
using NxBench::statusKb;

namespace {

bool runTask(Task* task, const char* what) {
    const bool finished = TaskRunner::runAndWait(task, 24 * 3600 * 1000);
    if (!finished || task->hasError()) {
        std::fprintf(stderr, "%s failed: %s\n", what, qPrintable(task->getError()));
        return false;
    }
    delete task;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    NxBench::DbVcfOptions options;
    if (!NxBench::parseDbVcfOptions(app, "Throughput of the SNP report step.", "Variations to report.",
                                    "Folder for the workflow database and the reports.", options)) {
        return 2;
    }

    QTemporaryDir tmp;
    const QString workDir = options.workDir.isEmpty() ? tmp.path() : options.workDir;
    const NxDbiRef sessionRef(SQLITE_DBI_ID, workDir + "/bench_report_session.s3db");
    QFile::remove(sessionRef.dbiId);

    QList<NxVariantTrack> tracks;
    qint64 variations = 0;
    if (!NxBench::importVcf(options.vcf, sessionRef, tracks, variations)) {
        return 1;
    }
    for (const NxVariantTrack& track : tracks) {
        if (!runTask(new VOZAdarovaTask(options.db, track, sessionRef), "annotation")) {
            return 1;
        }
    }

    std::fprintf(stderr, "imported and annotated %lld variations; the report starts\n", static_cast<long long>(variations));
    SNPReportSettings settings;
    settings.dbPath = options.db;
    settings.inGeneReportPath = workDir + "/bench_in_gene.tsv";
    settings.regulatoryReportPath = workDir + "/bench_regulatory.tsv";
    const qint64 rssBefore = statusKb("VmRSS");
    resetPeakRss();
    QElapsedTimer timer;
    timer.start();
    if (!runTask(new SNPReportWriterTask(settings, tracks, sessionRef), "report")) {
        return 1;
    }
    const double seconds = timer.elapsed() / 1000.0;
    const qint64 peak = statusKb("VmHWM");
    std::printf("report: variations %lld  seconds %.2f  variations/s %.0f  rss-before-MB %.1f  peak-rss-MB %.1f  "
                "in-gene-bytes %lld  regulatory-bytes %lld\n",
                static_cast<long long>(variations), seconds, seconds > 0 ? variations / seconds : 0.0,
                rssBefore / 1024.0, peak / 1024.0, static_cast<long long>(QFileInfo(settings.inGeneReportPath).size()),
                static_cast<long long>(QFileInfo(settings.regulatoryReportPath).size()));
    return 0;
}
