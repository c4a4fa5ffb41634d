// Generates demo data with nolix-demo-data --variants N, builds its reference database with
// nolix-refdb (both from this program's folder), collects every (SNV, coding transcript) pair in a
// CDS, and times what the evaluator does per pair: frame positions, the reference codon, the
// complement on the reverse strand, the varied codon and both amino acids. Codons are read once
// through the sequence cache (the evaluator's setting) and once straight from the sequence table.
//
//   nolix-codon-reads-bench [--variants N] [--work-dir DIR] [--rounds R]
#include <NxCore/biology/BaseDNAAlphabetIds.h>
#include <NxCore/biology/DNAAlphabetRegistry.h>
#include <NxCore/biology/DNATranslationRegistry.h>
#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/NxDbi.h>
#include <NxCore/dbi/NxFeatureDbi.h>
#include <NxCore/dbi/NxSequenceDbi.h>
#include <NxCore/log/Logger.h>
#include <NxCore/variation/SequenceQueryCache.h>
#include <NxCore/variation/VariationPropertiesUtils.h>
#include <NxFormats/snp/SNPDatabaseUtils.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

using namespace Nx;

namespace {

struct Pair {
    NxDataId sequenceId;
    NxVariant variant;
    Gene gene;
};

bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationDirPath() + "/" + program, args);
    if (!p.waitForStarted() || !p.waitForFinished(-1) || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
        return false;
    }
    return true;
}

// Runs every pair once; returns the number of codons read, or -1 on an error.
qint64 pass(const QVector<Pair>& pairs, NxSequenceDbi* seq, bool cached, const DNATranslation* amino,
            const DNATranslation* complement, qint64& checksum) {
    SequenceQueryCache cache(seq, NxDataId());
    NxOpStatusImpl os;
    qint64 n = 0;
    for (const Pair& p : pairs) {
        cache.setSequenceId(p.sequenceId);
        qint64 codonStart = 0;
        int index = 0, inCodon = -1;
        if (!VariationPropertiesUtils::getFrameStartPositionsForCoding(codonStart, index, inCodon, p.variant, p.gene)) {
            continue;
        }
        QByteArray codon = cached ? VariationPropertiesUtils::getDamagedTripletBufferedSeq(p.gene, codonStart, cache, os)
                                  : VariationPropertiesUtils::getDamagedTriplet(p.gene, codonStart, p.sequenceId, seq, os);
        if (os.hasError()) {
            std::fprintf(stderr, "%s\n", qPrintable(os.getError()));
            return -1;
        }
        const DNATranslation* c = nullptr;
        if (p.gene.isComplemented()) {
            c = complement;
            complement->translate(codon.data(), codon.size());
        }
        QByteArray varied = VariationPropertiesUtils::varyTriplet(codon, p.variant, inCodon, c);
        if (varied.size() == 3) {
            checksum += amino->translate3to1(codon[0], codon[1], codon[2]) != amino->translate3to1(varied[0], varied[1], varied[2]);
        }
        ++n;
    }
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    QString variants = "200000";
    QString workDir;
    int rounds = 3;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--variants") {
            variants = args[i + 1];
        } else if (args[i] == "--work-dir") {
            workDir = args[i + 1];
        } else if (args[i] == "--rounds") {
            rounds = qMax(1, args[i + 1].toInt());
        }
    }
    QTemporaryDir tmp;
    QString dir = workDir.isEmpty() ? tmp.path() : workDir;
    if (!run("nolix-demo-data", {"--out-dir", dir, "--variants", variants}) ||
        !run("nolix-refdb", {"--out", dir + "/ref.s3db", "--fasta", dir + "/genome.fa", "--genes", dir + "/genes.gff3"})) {
        return 1;
    }
    std::unique_ptr<SNPDatabase> db(SNPDatabaseUtils::openDatabase(dir + "/ref.s3db"));
    if (!db || db->getDbi() == nullptr) {
        std::fprintf(stderr, "cannot open the reference database\n");
        return 1;
    }
    NxDbi* dbi = db->getDbi();

    // Every SNV in a CDS, with each coding transcript it hits, in file (= position) order.
    QVector<Pair> pairs;
    QFile vcf(dir + "/variants.vcf");
    if (!vcf.open(QIODevice::ReadOnly)) {
        return 1;
    }
    QHash<QString, NxDataId> ids;
    qint64 snvs = 0;
    while (!vcf.atEnd()) {
        QByteArray line = vcf.readLine();
        if (line.startsWith('#')) {
            continue;
        }
        QList<QByteArray> f = line.split('\t');
        if (f.size() < 5 || f[3].size() != 1 || f[4].size() != 1) {
            continue;
        }
        ++snvs;
        QString chrom = QString::fromLatin1(f[0]);
        if (!ids.contains(chrom)) {
            ids[chrom] = SNPDatabaseUtils::getSequenceId(chrom, dbi->getObjectDbi());
        }
        Pair p;
        p.sequenceId = ids[chrom];
        p.variant.startPos = f[1].toLongLong() - 1;
        p.variant.endPos = p.variant.startPos + 1;
        p.variant.refData = f[3];
        p.variant.obsData = f[4];
        NxOpStatusImpl os;
        for (const Gene& g : dbi->getFeatureDbi()->getGenesInRegion(p.sequenceId, NxRegion(p.variant.startPos, 1), os)) {
            if (VariationPropertiesUtils::isDamageProtein(p.variant, g)) {
                p.gene = g;
                pairs.append(p);
            }
        }
    }
    DNAAlphabetRegistry alphabets;
    DNATranslationRegistry translations(&alphabets);
    const DNAAlphabet* dna = alphabets.findById(BaseDNAAlphabetIds::NUCL_DNA_DEFAULT());
    const DNATranslation* amino = translations.lookupTranslation(dna, DNATranslationType::NucleotideToAmino).first();
    const DNATranslation* complement = translations.lookupTranslation(dna, DNATranslationType::NucleotideToComplement).first();

    std::printf("%lld single-base records, %d (SNV, coding transcript) pairs\n", (long long)snvs, pairs.size());
    for (bool cached : {true, false}) {
        qint64 checksum = 0;
        qint64 reads = 0;
        QElapsedTimer timer;
        timer.start();
        for (int r = 0; r < rounds; ++r) {
            qint64 n = pass(pairs, dbi->getSequenceDbi(), cached, amino, complement, checksum);
            if (n < 0) {
                return 1;
            }
            reads += n;
        }
        double seconds = timer.nsecsElapsed() / 1e9;
        std::printf("%-28s %10lld codons in %.3f s: %12.0f codon reads/s (amino-acid changes: %lld)\n",
                    cached ? "through the sequence cache" : "straight from the table", (long long)reads, seconds,
                    reads / seconds, (long long)(checksum / rounds));
    }
    return 0;
}
