// Throughput and memory of the annotation step alone: imports a VCF into a fresh workflow
// database (not measured), then runs one annotation task per track against the reference
// database as the element would, and reports variations per second and the peak resident memory
// of the annotation (the kernel's high-water mark is reset just before it starts).
#include <snp_toolbox/VOZAdarovaTask.h>

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/log/Logger.h>
#include <NxPrivate/core/AppContextImpl.h>
#include <NxPrivate/tasks/TaskRunner.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#include "../common/DbVcfOptions.h"
#include "../common/ImportVcf.h"
#include "../common/ProcessMemory.h"

using namespace Nx;
using NxBench::resetPeakRss;
using NxBench::statusKb;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    NxBench::DbVcfOptions options;
    if (!NxBench::parseDbVcfOptions(app, "Annotation throughput of the VOZAdarova task.", "Variations to annotate.",
                                    "Folder for the workflow database (default: a temporary one).", options)) {
        return 2;
    }

    QTemporaryDir tmp;
    QString workDir = options.workDir.isEmpty() ? tmp.path() : options.workDir;
    NxDbiRef sessionRef(SQLITE_DBI_ID, workDir + "/bench_session.s3db");
    QFile::remove(sessionRef.dbiId);

    QList<NxVariantTrack> tracks;
    qint64 variations = 0;
    if (!NxBench::importVcf(options.vcf, sessionRef, tracks, variations)) {
        return 1;
    }

    qint64 rssBefore = statusKb("VmRSS");
    resetPeakRss();
    QElapsedTimer timer;
    timer.start();
    for (const NxVariantTrack& track : tracks) {
        auto* task = new VOZAdarovaTask(options.db, track, sessionRef);
        bool finished = TaskRunner::runAndWait(task, 24 * 3600 * 1000);
        if (!finished || task->hasError()) {
            std::fprintf(stderr, "annotation of %s failed: %s\n", qPrintable(track.sequenceName),
                         qPrintable(task->getError()));
            return 1;
        }
        delete task;
    }
    double seconds = timer.elapsed() / 1000.0;
    qint64 peak = statusKb("VmHWM");
    std::printf("variations %lld  seconds %.2f  variations/s %.0f  rss-before-MB %.1f  peak-rss-MB %.1f\n",
                static_cast<long long>(variations), seconds, seconds > 0 ? variations / seconds : 0.0,
                rssBefore / 1024.0, peak / 1024.0);
    return 0;
}
