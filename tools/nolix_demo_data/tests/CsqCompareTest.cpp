// The host's codon biology against a peer: for every SNV of the demo VCF in a coding exon, the
// reference codon, the varied codon and the amino-acid change computed by the host from the built
// reference database must agree with bcftools csq run on the same FASTA, GFF3 and VCF.
// bcftools reports the amino-acid change (position and letters); the codons are checked against
// the codon at that position of the CDS spliced here straight from the GFF3 and FASTA.
#include "DemoTestFiles.h"

#include <NxCore/biology/BaseDNAAlphabetIds.h>
#include <NxCore/biology/DNAAlphabetRegistry.h>
#include <NxCore/biology/DNATranslationRegistry.h>
#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/NxDbi.h>
#include <NxCore/dbi/NxFeatureDbi.h>
#include <NxCore/dbi/NxSequenceDbi.h>
#include <NxCore/variation/SequenceQueryCache.h>
#include <NxCore/variation/VariationPropertiesUtils.h>
#include <NxFormats/snp/SNPDatabaseUtils.h>

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <iostream>
#include <memory>

using namespace Nx;
using namespace DemoTest;

namespace {

struct Change {
    QByteArray type;      // bcftools consequence; empty for host results
    int aaPosition = -1;  // 1-based
    char refAa = 0;
    char altAa = 0;
    QByteArray refCodon;  // host only
    QByteArray altCodon;
    bool reverse = false;
};

// chrom:pos:alt:transcript
QString key(const QString& chrom, qint64 pos, const QByteArray& alt, const QString& transcript) {
    return QString("%1:%2:%3:%4").arg(chrom).arg(pos).arg(QString::fromLatin1(alt)).arg(transcript);
}

bool isCodingConsequence(const QByteArray& type) {
    static const QList<QByteArray> coding{"synonymous", "missense", "stop_gained", "stop_lost",
                                          "stop_retained", "start_lost", "start_retained"};
    for (const QByteArray& t : type.split('&')) {
        if (coding.contains(t)) {
            return true;
        }
    }
    return false;
}

// BCSQ items of SNVs with a coding consequence; fields: type|gene|transcript|biotype|strand|aa|dna.
QHash<QString, Change> readCsq(const QString& path, QStringList& problems) {
    QHash<QString, Change> result;
    static const QRegularExpression aaRx("^(\\d+)([A-Z*])(?:>(\\d+)([A-Z*]))?");
    static const QRegularExpression dnaRx("^(\\d+)([ACGTN]+)>([ACGTN]*)$");
    for (const VcfRecord& r : readVcf(path)) {
        int at = r.info.indexOf("BCSQ=");
        if (r.ref.size() != 1 || at < 0) {
            continue;
        }
        QByteArray bcsq = r.info.mid(at + 5);
        bcsq = bcsq.left(bcsq.indexOf(';') < 0 ? bcsq.size() : bcsq.indexOf(';'));
        for (const QByteArray& item : bcsq.split(',')) {
            QList<QByteArray> f = item.split('|');
            if (f.size() < 5 || !isCodingConsequence(f[0])) {
                continue;
            }
            Change c;
            c.type = f[0];
            c.reverse = f[4] == "-";
            if (f.size() < 7) {
                if (!c.type.contains("start_lost")) {
                    problems << QString("line %1: no amino-acid change in '%2'").arg(r.line).arg(QString(item));
                }
                // start_lost without details: the record's only ALT, or each ALT of a multi-allelic record.
                for (const QByteArray& alt : r.alts) {
                    if (alt.size() != 1) {
                        continue;
                    }
                    result[key(r.chrom, r.pos, alt, QString(f[2]))] = c;
                }
                continue;
            }
            QRegularExpressionMatch dna = dnaRx.match(QString(f[6]));
            if (dna.hasMatch() && (dna.captured(2).size() != 1 || dna.captured(3).size() != 1)) {
                continue;  // an insertion at a single-base REF of a multi-allelic record
            }
            QRegularExpressionMatch aa = aaRx.match(QString(f[5]));
            if (!dna.hasMatch() || !aa.hasMatch()) {
                problems << QString("line %1: cannot read '%2'").arg(r.line).arg(QString(item));
                continue;
            }
            c.aaPosition = aa.captured(1).toInt();
            c.refAa = aa.captured(2)[0].toLatin1();
            c.altAa = aa.captured(4).isEmpty() ? c.refAa : aa.captured(4)[0].toLatin1();
            result[key(r.chrom, dna.captured(1).toLongLong(), dna.captured(3).toLatin1(), QString(f[2]))] = c;
        }
    }
    return result;
}

// Counts of one comparison.
struct Outcome {
    int compared = 0;       // (SNV allele, transcript) pairs both sides call coding
    int reverse = 0;        // of those, on the minus strand
    int split = 0;          // of those, in a codon split by an intron
    int byPosition[3] = {0, 0, 0};
    QHash<QString, int> perTranscript;  // compared pairs by transcript id
    QStringList disagreements;
};

// Cuts the partial codon off the 5' end of the first coding transcript of each strand: its
// 5'-most CDS part loses one base and gets phase 2, as an incomplete CDS of a real annotation.
// Returns the ids of the transcripts changed.
QStringList makeIncompleteStarts(const QString& from, const QString& to) {
    QList<QByteArray> lines = readAll(from).split('\n');
    QHash<QByteArray, QList<int>> cdsLines;  // transcript -> CDS line numbers
    QList<QByteArray> order;
    for (int i = 0; i < lines.size(); ++i) {
        QList<QByteArray> f = lines[i].split('\t');
        if (f.size() == 9 && f[2] == "CDS") {
            QByteArray parent = f[8].mid(f[8].indexOf("Parent=transcript:") + 18).split(';').first();
            if (!cdsLines.contains(parent)) {
                order << parent;
            }
            cdsLines[parent] << i;
        }
    }
    QStringList changed;
    QSet<QByteArray> strandsDone;
    for (const QByteArray& t : order) {
        QByteArray strand = lines[cdsLines[t].first()].split('\t')[6];
        if (strandsDone.contains(strand)) {
            continue;
        }
        strandsDone.insert(strand);
        int best = cdsLines[t].first();
        for (int i : cdsLines[t]) {
            QList<QByteArray> f = lines[i].split('\t');
            QList<QByteArray> b = lines[best].split('\t');
            if (strand == "+" ? f[3].toLongLong() < b[3].toLongLong() : f[4].toLongLong() > b[4].toLongLong()) {
                best = i;
            }
        }
        QList<QByteArray> f = lines[best].split('\t');
        if (strand == "+") {
            f[3] = QByteArray::number(f[3].toLongLong() + 1);
        } else {
            f[4] = QByteArray::number(f[4].toLongLong() - 1);
        }
        f[7] = "2";
        lines[best] = f.join('\t');
        changed << QString::fromLatin1(t);
    }
    QFile out(to);
    if (out.open(QIODevice::WriteOnly)) {
        out.write(lines.join('\n'));
    }
    return changed;
}

class CsqCompareTest : public ::testing::Test {
protected:
    void SetUp() override {
        bcftools = QStandardPaths::findExecutable("bcftools");
        if (bcftools.isEmpty()) {
            GTEST_SKIP() << "bcftools is not installed (scripts/setup.sh installs it)";
        }
        if (!QFileInfo::exists(binaryPath("nolix-refdb"))) {
            GTEST_SKIP() << "nolix-refdb is not built yet";
        }
        ASSERT_TRUE(dir.isValid());
        QString err;
        // The demo records plus random ones; NX_CSQ_SEED picks another genome (default 1).
        QString seed = qEnvironmentVariableIsSet("NX_CSQ_SEED") ? qEnvironmentVariable("NX_CSQ_SEED") : "1";
        ASSERT_EQ(runProgram("nolix-demo-data", {"--out-dir", dir.path(), "--seed", seed, "--variants", "20000"}, &err), 0)
            << err.toStdString();
    }
    QString file(const char* name) const { return dir.filePath(name); }

    // Builds the database and runs bcftools on the given annotation, then compares every coding SNV
    // of the transcripts the database keeps (every one with --all-transcripts).
    void compare(const QString& gff, Outcome& o, const QStringList& builderOptions = {"--all-transcripts"});

    QTemporaryDir dir;
    QString bcftools;
};

void CsqCompareTest::compare(const QString& gff, Outcome& o, const QStringList& builderOptions) {
    QString err;
    const QString dbPath = gff + ".s3db";
    const QString csqPath = gff + ".csq.vcf";
    const QString chosenPath = gff + ".chosen.tsv";
    ASSERT_EQ(runProgram("nolix-refdb",
                         QStringList{"--out", dbPath, "--fasta", file("genome.fa"), "--genes", gff,
                                     "--chosen-transcripts", chosenPath} +
                             builderOptions,
                         &err),
              0)
        << err.toStdString();
    QSet<QString> kept;  // empty: every transcript
    if (!builderOptions.contains("--all-transcripts")) {
        for (const QStringList& row : readTsv(chosenPath)) {
            kept.insert(row.value(2));
        }
    }
    QProcess csq;
    csq.start(bcftools, {"csq", "-l", "-f", file("genome.fa"), "-g", gff, "-Ov", "-o", csqPath, file("variants.vcf")});
    ASSERT_TRUE(csq.waitForFinished(120000));
    ASSERT_EQ(csq.exitCode(), 0) << csq.readAllStandardError().toStdString();

    QStringList problems;
    QHash<QString, Change> peer = readCsq(csqPath, problems);
    ASSERT_FALSE(peer.isEmpty());
    for (auto it = peer.begin(); !kept.isEmpty() && it != peer.end();) {
        it = kept.contains(it.key().section(':', 3)) ? it + 1 : peer.erase(it);
    }

    std::unique_ptr<SNPDatabase> db(SNPDatabaseUtils::openDatabase(dbPath));
    ASSERT_NE(db, nullptr);
    NxDbi* dbi = db->getDbi();
    ASSERT_NE(dbi, nullptr);
    DNAAlphabetRegistry alphabets;
    DNATranslationRegistry translations(&alphabets);
    const DNAAlphabet* dna = alphabets.findById(BaseDNAAlphabetIds::NUCL_DNA_DEFAULT());
    DNATranslation* amino = translations.lookupTranslation(dna, DNATranslationType::NucleotideToAmino).first();
    DNATranslation* complement = translations.lookupTranslation(dna, DNATranslationType::NucleotideToComplement).first();

    // The independent side: transcripts and sequence straight from the files.
    const QHash<QString, QByteArray> fasta = readFasta(file("genome.fa"));
    QHash<QString, Transcript> byId;
    for (const Transcript& t : readGff3(gff)) {
        byId[t.id] = t;
    }
    QHash<QString, Change> host;
    QHash<QString, SequenceQueryCache*> caches;
    for (const VcfRecord& r : readVcf(file("variants.vcf"))) {
        if (r.ref.size() != 1) {
            continue;
        }
        NxDataId sequenceId = SNPDatabaseUtils::getSequenceId(r.chrom, dbi->getObjectDbi());
        ASSERT_FALSE(sequenceId.isEmpty()) << r.chrom.toStdString();
        NxOpStatusImpl os;
        QList<Gene> genes = dbi->getFeatureDbi()->getGenesInRegion(sequenceId, NxRegion(r.pos - 1, 1), os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
        SequenceQueryCache cache(dbi->getSequenceDbi(), sequenceId);
        for (const QByteArray& alt : r.alts) {
            if (alt.size() != 1) {
                continue;
            }
            NxVariant v;
            v.startPos = r.pos - 1;
            v.endPos = r.pos;
            v.refData = r.ref;
            v.obsData = alt;
            for (const Gene& g : genes) {
                qint64 codonStart = 0;
                int codonIndex = 0, inCodon = -1;
                if (!VariationPropertiesUtils::isDamageProtein(v, g) ||
                    !VariationPropertiesUtils::getFrameStartPositionsForCoding(codonStart, codonIndex, inCodon, v, g)) {
                    continue;
                }
                QByteArray codon =
                    VariationPropertiesUtils::getDamagedTriplet(g, codonStart, sequenceId, dbi->getSequenceDbi(), os);
                QByteArray buffered = VariationPropertiesUtils::getDamagedTripletBufferedSeq(g, codonStart, cache, os);
                ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
                EXPECT_EQ(codon, buffered) << "line " << r.line;
                QByteArray varied = codon;
                if (g.isComplemented()) {
                    complement->translate(codon.data(), codon.size());
                    varied = codon;
                    varied = VariationPropertiesUtils::varyTriplet(varied, v, inCodon, complement);
                } else {
                    varied = VariationPropertiesUtils::varyTriplet(varied, v, inCodon, nullptr);
                }
                ASSERT_EQ(varied.size(), 3) << "line " << r.line;
                Change c;
                c.aaPosition = codonIndex + 1;
                c.refAa = amino->translate3to1(codon[0], codon[1], codon[2]);
                c.altAa = amino->translate3to1(varied[0], varied[1], varied[2]);
                c.refCodon = codon;
                c.altCodon = varied;
                c.reverse = g.isComplemented();
                host[key(r.chrom, r.pos, alt, QString::fromLatin1(g.getFeatureId()))] = c;
            }
        }
    }

    QStringList& disagreements = o.disagreements;
    disagreements = problems;
    for (auto it = host.begin(); it != host.end(); ++it) {
        const Change& h = it.value();
        if (!peer.contains(it.key())) {
            disagreements << it.key() + ": host finds a codon, bcftools no coding change";
            continue;
        }
        const Change& p = peer[it.key()];
        ++o.compared;
        o.reverse += h.reverse;
        if (p.aaPosition < 0) {  // start_lost without details
            if (h.aaPosition != 1 || h.refAa != 'M' || h.altAa == 'M') {
                disagreements << it.key() + QString(": bcftools start_lost, host %1%2%3").arg(h.refAa).arg(h.aaPosition).arg(h.altAa);
            }
            continue;
        }
        if (h.aaPosition != p.aaPosition || h.refAa != p.refAa || h.altAa != p.altAa || h.reverse != p.reverse) {
            disagreements << it.key() + QString(": host %1%2%3, bcftools %4%5%6 (%7)")
                                            .arg(h.refAa).arg(h.aaPosition).arg(h.altAa)
                                            .arg(p.refAa).arg(p.aaPosition).arg(p.altAa).arg(QString(p.type));
            continue;
        }
        // Codons from the CDS spliced here, at the position bcftools names.
        QStringList k = it.key().split(':');
        const Transcript& t = byId[k[3]];
        QByteArray cds = codingSequence(t, fasta[t.chrom]);
        QVector<qint64> positions = codingPositions(t);
        int offset = positions.indexOf(k[1].toLongLong() - 1);
        ASSERT_GE(offset, 0) << it.key().toStdString();
        QByteArray variedCds = cds;
        variedCds[offset] = t.reverse ? reverseComplement(k[2].toLatin1())[0] : k[2].toLatin1()[0];
        int phase = t.cdsPhases.isEmpty() ? 0 : (t.reverse ? t.cdsPhases.last() : t.cdsPhases.first());
        int first = phase + 3 * (p.aaPosition - 1);
        if (h.refCodon != cds.mid(first, 3) || h.altCodon != variedCds.mid(first, 3)) {
            disagreements << it.key() + QString(": host codons %1->%2, spliced CDS %3->%4")
                                            .arg(QString(h.refCodon), QString(h.altCodon),
                                                 QString(cds.mid(first, 3)), QString(variedCds.mid(first, 3)));
            continue;
        }
        o.split += qAbs(positions[first + 2] - positions[first]) != 2;
        o.byPosition[offset - first]++;
        o.perTranscript[k[3]]++;
    }
    for (auto it = peer.begin(); it != peer.end(); ++it) {
        if (!host.contains(it.key())) {
            disagreements << it.key() + ": bcftools " + QString(it.value().type) + ", host finds no codon";
        }
    }
}

void report(const char* what, const Outcome& o) {
    std::cout << what << ": " << o.compared << " SNV-transcript pairs compared (" << o.reverse
              << " on the reverse strand, " << o.split << " in codons split by an intron; codon positions "
              << o.byPosition[0] << "/" << o.byPosition[1] << "/" << o.byPosition[2] << "), "
              << o.disagreements.size() << " disagreements" << std::endl;
}

}  // namespace

TEST_F(CsqCompareTest, CodonsAndAminoAcidChangesAgreeWithBcftoolsCsq) {
    Outcome o;
    compare(file("genes.gff3"), o);
    report("csq comparison", o);
    RecordProperty("compared", o.compared);
    RecordProperty("disagreements", o.disagreements.size());
    EXPECT_TRUE(o.disagreements.isEmpty()) << o.disagreements.mid(0, 30).join("\n").toStdString();
    EXPECT_GT(o.compared, 400);
    EXPECT_GT(o.reverse, 100);
    EXPECT_GT(o.split, 50);
    for (int n : o.byPosition) {
        EXPECT_GT(n, 50);
    }
}

TEST_F(CsqCompareTest, OneTranscriptPerGeneAgreesForTheKeptTranscripts) {
    Outcome all;
    compare(file("genes.gff3"), all);
    Outcome one;
    compare(file("genes.gff3"), one, {});
    report("csq comparison, one transcript per gene", one);
    EXPECT_TRUE(one.disagreements.isEmpty()) << one.disagreements.mid(0, 30).join("\n").toStdString();
    EXPECT_GT(one.compared, 400);
    // The demo's other transcripts are left out, and only they.
    EXPECT_LT(one.compared, all.compared);
    for (const QString& dropped : {"ENST70000000012", "ENST70000000013", "ENST70000000014", "ENST70000000021"}) {
        EXPECT_EQ(one.perTranscript.value(dropped), 0) << dropped.toStdString();
        EXPECT_GT(all.perTranscript.value(dropped), 0) << dropped.toStdString();
    }
    EXPECT_GT(one.perTranscript.value("ENST70000000011"), 0);
    EXPECT_GT(one.perTranscript.value("ENST70000000023"), 0);
}

TEST_F(CsqCompareTest, IncompleteCdsStartsAgreeToo) {
    // Frames of a CDS that starts with a partial codon are counted from its first full codon.
    QStringList changed = makeIncompleteStarts(file("genes.gff3"), file("incomplete.gff3"));
    ASSERT_EQ(changed.size(), 2);
    Outcome o;
    compare(file("incomplete.gff3"), o);
    report("csq comparison, incomplete CDS starts", o);
    EXPECT_TRUE(o.disagreements.isEmpty()) << o.disagreements.mid(0, 30).join("\n").toStdString();
    for (const QString& id : changed) {
        EXPECT_GT(o.perTranscript.value(id), 5) << id.toStdString();
    }
    EXPECT_GT(o.compared, 400);
}
