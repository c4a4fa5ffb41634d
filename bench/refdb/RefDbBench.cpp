// Benchmark of the reference database: generates a 50 Mb chromosome, 2,000 transcripts (GFF3),
// 1,000,000 known mutations (VCF with scores) and matrices for the coding transcripts, builds the
// database with nolix-refdb (wall time and the builder's peak memory), then counts
// GeneQueryCache and SequenceQueryCache look-ups per second for positions visited in order.
#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/NxFeatureDbi.h>
#include <NxCore/dbi/NxObjectDbi.h>
#include <NxCore/variation/GeneQueryCache.h>
#include <NxCore/variation/SequenceQueryCache.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

using namespace Nx;

namespace {

const qint64 CHROMOSOME_LENGTH = 50 * 1000 * 1000;
const int TRANSCRIPTS = 2000;
const int KNOWN_MUTATIONS = 1000 * 1000;
const int LOOKUPS = 2000 * 1000;

void writeFasta(const QString& path, QRandomGenerator& rng) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(">chr1\n");
    static const char acgt[] = "ACGT";
    QByteArray line(61, '\n');
    for (qint64 done = 0; done < CHROMOSOME_LENGTH; done += 60) {
        int n = static_cast<int>(qMin<qint64>(60, CHROMOSOME_LENGTH - done));
        for (int i = 0; i < n; ++i) {
            line[i] = acgt[rng.bounded(4)];
        }
        line[n] = '\n';
        f.write(line.constData(), n + 1);
    }
}

// Transcripts of 2-15 exons spread over the chromosome, both strands, most coding.
void writeGenes(const QString& gffPath, const QString& matrixPath, QRandomGenerator& rng) {
    QFile f(gffPath);
    f.open(QIODevice::WriteOnly);
    QFile m(matrixPath);
    m.open(QIODevice::WriteOnly);
    f.write("##gff-version 3\n");
    for (int t = 0; t < TRANSCRIPTS; ++t) {
        qint64 pos = 1000 + rng.bounded(static_cast<quint32>(CHROMOSOME_LENGTH - 200000));
        int exons = 2 + rng.bounded(14);
        QList<QPair<qint64, qint64>> parts;  // 1-based closed
        for (int e = 0; e < exons; ++e) {
            qint64 len = 50 + rng.bounded(300);
            parts << qMakePair(pos, pos + len - 1);
            pos += len + 200 + rng.bounded(5000);
        }
        bool minus = t % 2 == 1;
        char strand = minus ? '-' : '+';
        QByteArray g = "G" + QByteArray::number(t);
        QByteArray tx = "ENST" + QByteArray::number(100000 + t);
        qint64 s = parts.first().first;
        qint64 e = parts.last().second;
        f.write(QString("chr1\tbench\tgene\t%1\t%2\t.\t%3\t.\tID=gene:%4;Name=GENE%5\n")
                    .arg(s).arg(e).arg(strand).arg(QString(g)).arg(t).toUtf8());
        f.write(QString("chr1\tbench\tmRNA\t%1\t%2\t.\t%3\t.\tID=transcript:%4;Parent=gene:%5\n")
                    .arg(s).arg(e).arg(strand).arg(QString(tx), QString(g)).toUtf8());
        qint64 coding = 0;
        for (const auto& p : parts) {
            f.write(QString("chr1\tbench\texon\t%1\t%2\t.\t%3\t.\tParent=transcript:%4\n")
                        .arg(p.first).arg(p.second).arg(strand).arg(QString(tx)).toUtf8());
        }
        if (t % 10 != 0) {
            for (int i = 1; i + 1 < parts.size() || (parts.size() == 2 && i == 1); ++i) {
                const auto& p = parts[i];
                f.write(QString("chr1\tbench\tCDS\t%1\t%2\t.\t%3\t%4\tParent=transcript:%5\n")
                            .arg(p.first).arg(p.second).arg(strand).arg(0).arg(QString(tx)).toUtf8());
                coding += p.second - p.first + 1;
                if (parts.size() == 2) {
                    break;
                }
            }
            for (int aa = 1; aa <= coding / 3; ++aa) {
                QByteArray row = tx + "\t" + QByteArray::number(aa);
                for (int k = 0; k < 20; ++k) {
                    row += "\t" + QByteArray::number(rng.bounded(1000) / 1000.0);
                }
                m.write(row + "\n");
            }
        }
    }
}

void writeVcf(const QString& path, QRandomGenerator& rng) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("##fileformat=VCFv4.2\n##contig=<ID=chr1>\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n");
    static const char acgt[] = "ACGT";
    qint64 pos = 1;
    for (int i = 0; i < KNOWN_MUTATIONS; ++i) {
        pos += 1 + rng.bounded(90);
        char ref = acgt[rng.bounded(4)];
        char alt = acgt[(strchr(acgt, ref) - acgt + 1 + rng.bounded(3)) % 4];
        QByteArray line = "chr1\t" + QByteArray::number(pos) + "\trs" + QByteArray::number(i + 1) + "\t" + ref +
                          "\t" + alt + "\t.\tPASS\tAVSIFT=" + QByteArray::number(rng.bounded(100) / 100.0) +
                          ";PHYLOP=" + QByteArray::number(rng.bounded(1000) / 100.0 - 5) +
                          ";PP2=0.5;G1000AF=" + QByteArray::number(rng.bounded(1000) / 1000.0) + ";GERP=2.1\n";
        f.write(line);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir tmp;
    QString dir = tmp.path();
    if (argc > 2 && QByteArray(argv[1]) == "--keep") {
        dir = QString::fromLocal8Bit(argv[2]);
    }
    QRandomGenerator rng(2024);
    QElapsedTimer timer;
    timer.start();
    writeFasta(dir + "/bench.fa", rng);
    writeGenes(dir + "/bench.gff3", dir + "/bench.matrices.tsv", rng);
    writeVcf(dir + "/bench.vcf", rng);
    std::printf("inputs generated in %.1f s\n", timer.elapsed() / 1000.0);

    // The builder runs as a child process so its own peak memory can be read back.
    QString out = dir + "/bench.s3db";
    QByteArray exe = QByteArray(NX_BINARY_DIR) + "/bin/nolix-refdb";
    QList<QByteArray> args = {exe, "--quiet", "--out", out.toLocal8Bit(), "--fasta", (dir + "/bench.fa").toLocal8Bit(),
                              "--genes", (dir + "/bench.gff3").toLocal8Bit(), "--matrices",
                              (dir + "/bench.matrices.tsv").toLocal8Bit(), "--known-mutations",
                              (dir + "/bench.vcf").toLocal8Bit()};
    std::vector<char*> cargs;
    for (QByteArray& a : args) {
        cargs.push_back(a.data());
    }
    cargs.push_back(nullptr);
    timer.restart();
    pid_t pid = fork();
    if (pid == 0) {
        execv(exe.constData(), cargs.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage = {};
    wait4(pid, &status, 0, &usage);
    double buildSeconds = timer.elapsed() / 1000.0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "nolix-refdb failed (status %d)\n", status);
        return 1;
    }
    std::printf("build: %.1f s, builder peak memory %.0f MB, database %.0f MB\n", buildSeconds,
                usage.ru_maxrss / 1024.0, QFile(out).size() / 1e6);

    NxOpStatusImpl os;
    DbiConnection con(NxDbiRef(SQLITE_DBI_ID, out), false, os);
    if (os.hasError()) {
        std::fprintf(stderr, "%s\n", os.getError().toLocal8Bit().constData());
        return 1;
    }
    NxDataId chr = con.dbi->getObjectDbi()->getObjectsByVisualName("chr1", NxObjectTypes::Sequence, os).value(0);
    QVector<qint64> positions(LOOKUPS);
    for (int i = 0; i < LOOKUPS; ++i) {
        positions[i] = rng.bounded(static_cast<quint32>(CHROMOSOME_LENGTH));
    }
    std::sort(positions.begin(), positions.end());

    GeneQueryCache genes(con.dbi->getFeatureDbi());
    qint64 hits = 0;
    timer.restart();
    for (qint64 p : positions) {
        hits += genes.overlappedGenes(NxRegion(p, 1), chr, os).size();
    }
    double geneSeconds = timer.nsecsElapsed() / 1e9;
    std::printf("GeneQueryCache: %d sorted look-ups in %.3f s = %.0f per second (%lld gene hits)\n", LOOKUPS,
                geneSeconds, LOOKUPS / geneSeconds, static_cast<long long>(hits));

    const int direct = 20000;
    timer.restart();
    for (int i = 0; i < direct; ++i) {
        hits += con.dbi->getFeatureDbi()->getGenesInRegion(chr, NxRegion(positions[i * (LOOKUPS / direct)], 1), os).size();
    }
    double directSeconds = timer.nsecsElapsed() / 1e9;
    std::printf("direct getGenesInRegion: %.0f per second\n", direct / directSeconds);

    SequenceQueryCache seq(con.dbi->getSequenceDbi(), chr);
    qint64 bases = 0;
    timer.restart();
    for (qint64 p : positions) {
        bases += seq.getSequence(NxRegion(p, 3), os).size();
    }
    double seqSeconds = timer.nsecsElapsed() / 1e9;
    std::printf("SequenceQueryCache: %d sorted codon reads in %.3f s = %.0f per second\n", LOOKUPS, seqSeconds,
                LOOKUPS / seqSeconds);
    return os.hasError() ? 1 : 0;
}
