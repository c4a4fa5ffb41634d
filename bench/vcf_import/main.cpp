// Generates a VCF of N single-nucleotide variations over a few chromosomes in a temporary folder,
// imports it into a fresh session database and prints variations per second and peak memory.
// Runs a smaller file first, so that the two peak figures show whether memory follows file size.
// Then writes one string attribute per variation of the first track, as the request elements do.
//
// usage: vcf_import_bench [N=1000000] [--bgzip]
#include <NxCore/attributes/NxAttributeUtils.h>
#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/NxAttributeDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxFormats/vcf/VcfImporter.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <limits>
#include <memory>

using namespace Nx;

namespace {

long peakRssKb() {
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

// User plus system CPU time of the process, in seconds: on a machine shared with other work the
// wall clock also counts time spent waiting for a core.
double cpuSeconds() {
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

bool generate(const QString& path, qint64 n) {
    FILE* f = fopen(QFile::encodeName(path).constData(), "w");
    if (f == nullptr) return false;
    fprintf(f, "##fileformat=VCFv4.2\n");
    const char* chroms[] = {"chr1", "chr2", "chr3", "chr4"};
    for (const char* c : chroms) fprintf(f, "##contig=<ID=%s>\n", c);
    fprintf(f, "##INFO=<ID=DP,Number=1,Type=Integer,Description=\"Depth\">\n");
    fprintf(f, "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n");
    const char bases[] = "ACGT";
    quint32 rnd = 12345;
    qint64 perChrom = (n + 3) / 4;
    for (qint64 i = 0; i < n; ++i) {
        rnd = rnd * 1103515245u + 12345u;
        int r = (rnd >> 16) & 3;
        int a = (r + 1 + ((rnd >> 20) % 3)) & 3;
        qint64 pos = 1000 + (i % perChrom) * 37;
        if (i % 10 == 0) {
            fprintf(f, "%s\t%lld\trs%lld\t%c\t%c\t50\tPASS\tDP=%u\n", chroms[i / perChrom], pos, i, bases[r], bases[a], (rnd >> 8) % 100);
        } else {
            fprintf(f, "%s\t%lld\t.\t%c\t%c\t50\tPASS\tDP=%u\n", chroms[i / perChrom], pos, bases[r], bases[a], (rnd >> 8) % 100);
        }
    }
    return fclose(f) == 0;
}

// What later elements do per track: read every variation and store one string answer on it, in
// batches of 1000.
bool writeAttributes(DbiConnection& con, const NxVariantTrack& track) {
    NxOpStatusImpl os;
    QElapsedTimer timer;
    timer.start();
    double cpuStart = cpuSeconds();
    std::unique_ptr<NxDbiIterator<NxVariant>> it(
        con.dbi->getVariantDbi()->getVariantsInRegion(track.id, NxRegion(0, std::numeric_limits<qint64>::max()), os));
    QList<NxStringAttribute> batch;
    qint64 written = 0;
    while (it && it->hasNext() && !os.hasError()) {
        NxVariant v = it->next();
        batch << NxAttributeUtils::initStringAttribute(v.id, "STABILITY_1D", QString("ddG=%1").arg(v.startPos % 97));
        if (batch.size() == 1000) {
            NxAttributeUtils::setStringAttributes(con.dbi->getAttributeDbi(), batch, os);
            written += batch.size();
            batch.clear();
        }
    }
    NxAttributeUtils::setStringAttributes(con.dbi->getAttributeDbi(), batch, os);
    written += batch.size();
    if (os.hasError()) {
        fprintf(stderr, "attribute write failed: %s\n", qPrintable(os.getError()));
        return false;
    }
    double seconds = timer.nsecsElapsed() / 1e9;
    double cpu = cpuSeconds() - cpuStart;
    printf("          %lld string attributes on track %s in batches of 1000: wall %.2f s = %.0f/s, CPU %.2f s\n",
           written, qPrintable(track.sequenceName), seconds, written / seconds, cpu);
    return true;
}

// Imports one generated file; returns false on error.
bool runOnce(const QTemporaryDir& dir, qint64 n, bool bgzip) {
    QString vcf = dir.filePath(QString("snv_%1.vcf").arg(n));
    if (!generate(vcf, n)) {
        fprintf(stderr, "cannot write %s\n", qPrintable(vcf));
        return false;
    }
    if (bgzip) {
        if (QProcess::execute("bgzip", {"-f", vcf}) != 0) {
            fprintf(stderr, "bgzip failed\n");
            return false;
        }
        vcf += ".gz";
    }
    long rssBefore = peakRssKb();
    NxOpStatusImpl os;
    DbiConnection con(NxDbiRef(SQLITE_DBI_ID, dir.filePath(QString("session_%1.s3db").arg(n))), os);
    VcfImporter importer(con);
    QElapsedTimer timer;
    timer.start();
    double cpuStart = cpuSeconds();
    QList<NxVariantTrack> tracks = importer.importFile(vcf, os);
    double seconds = timer.nsecsElapsed() / 1e9;
    double cpu = cpuSeconds() - cpuStart;
    if (os.hasError()) {
        fprintf(stderr, "import failed: %s\n", qPrintable(os.getError()));
        return false;
    }
    qint64 imported = importer.getImportedVariantCount();
    printf("%-9lld SNVs%s: %d tracks, wall %.2f s = %.0f variations/s, CPU %.2f s = %.0f variations/CPU-s, "
           "peak RSS %ld KiB (before import %ld KiB)\n",
           imported, bgzip ? " (bgzipped)" : "", tracks.size(), seconds, imported / seconds, cpu, imported / cpu,
           peakRssKb(), rssBefore);
    return imported == n && writeAttributes(con, tracks.first());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    qint64 n = 1000000;
    bool bgzip = false;
    for (int i = 1; i < argc; ++i) {
        QString a = argv[i];
        if (a == "--bgzip") bgzip = true;
        else n = a.toLongLong();
    }
    QTemporaryDir dir;
    if (!dir.isValid() || n <= 0) {
        fprintf(stderr, "usage: vcf_import_bench [N] [--bgzip]\n");
        return 2;
    }
    bool ok = runOnce(dir, qMax<qint64>(1, n / 10), bgzip) && runOnce(dir, n, bgzip);
    return ok ? 0 : 1;
}
