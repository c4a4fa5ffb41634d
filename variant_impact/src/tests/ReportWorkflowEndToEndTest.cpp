// The sample workflow read -> annotate -> report run from the console on demo data, and the
// in-gene report's "Codon" and "Substitution" cells checked against bcftools csq run on the same
// FASTA, GFF3 and VCF: every coding SNV that bcftools finds has a report row with codon cells, each
// such row names an amino-acid change that bcftools gives at that site, and its codons translate
// to the letters of that change. Genes named "FR..." get no codon cells by design and are left out.
#include "ConsoleRun.h"

#include <NxCore/biology/BaseDNAAlphabetIds.h>
#include <NxCore/biology/DNAAlphabetRegistry.h>
#include <NxCore/biology/DNATranslationRegistry.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iostream>

using namespace Nx;
using Nx::ConsoleRun::runTool;

namespace {

QList<QStringList> readTable(const QString& path, QString& header) {
    QList<QStringList> rows;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return rows;
    }
    header = QString::fromLatin1(f.readLine()).trimmed();
    while (!f.atEnd()) {
        QString line = QString::fromLatin1(f.readLine());
        line.chop(line.endsWith('\n') ? 1 : 0);
        rows << line.split('\t');
    }
    return rows;
}

bool isCoding(const QString& type) {
    static const QStringList coding{"synonymous", "missense", "stop_gained", "stop_lost", "stop_retained",
                                    "start_lost", "start_retained"};
    for (const QString& t : type.split('&')) {
        if (coding.contains(t)) {
            return true;
        }
    }
    return false;
}

// bcftools csq's coding changes of single-base substitutions: "chrom:pos:ref/alt" -> changes as
// the report writes them ("M1T"); an empty change stands for a start_lost without details. Only
// the transcripts in kept count: the reference keeps one transcript per gene.
QHash<QString, QSet<QString>> readCsq(const QString& path, int& reverseSites, const QSet<QString>& kept) {
    QHash<QString, QSet<QString>> sites;
    QSet<QString> reverse;
    static const QRegularExpression aaRx("^(\\d+)([A-Z*])(?:>(\\d+)([A-Z*]))?");
    static const QRegularExpression dnaRx("^(\\d+)([ACGT])>([ACGT])$");
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return sites;
    }
    while (!f.atEnd()) {
        const QString line = QString::fromLatin1(f.readLine()).trimmed();
        if (line.startsWith('#')) {
            continue;
        }
        const QStringList cols = line.split('\t');
        if (cols.size() < 8 || cols[3].size() != 1) {
            continue;
        }
        const int at = cols[7].indexOf("BCSQ=");
        if (at < 0) {
            continue;
        }
        QString bcsq = cols[7].mid(at + 5);
        bcsq = bcsq.left(bcsq.indexOf(';') < 0 ? bcsq.size() : bcsq.indexOf(';'));
        for (const QString& item : bcsq.split(',')) {
            const QStringList f = item.split('|');
            if (f.size() < 5 || !isCoding(f[0]) || f[1].startsWith("FR") || !kept.contains(f[2])) {
                continue;
            }
            if (f.size() < 7) {  // start_lost without details: every single-base ALT of the record
                for (const QString& alt : cols[4].split(',')) {
                    if (alt.size() == 1) {
                        sites[QString("%1:%2:%3/%4").arg(cols[0], cols[1], cols[3], alt)] << QString();
                    }
                }
                continue;
            }
            const QRegularExpressionMatch dna = dnaRx.match(f[6]);
            const QRegularExpressionMatch aa = aaRx.match(f[5]);
            if (!dna.hasMatch() || !aa.hasMatch()) {
                continue;
            }
            const QString key = QString("%1:%2:%3/%4").arg(cols[0], dna.captured(1), dna.captured(2), dna.captured(3));
            const QString alt = aa.captured(4).isEmpty() ? aa.captured(2) : aa.captured(4);
            sites[key] << aa.captured(2) + aa.captured(1) + alt;
            if (f[4] == "-") {
                reverse << key;
            }
        }
    }
    reverseSites = reverse.size();
    return sites;
}

}  // namespace

TEST(ReportWorkflowEndToEndTest, DemoReportsAgreeWithBcftoolsCsq) {
    const QString bcftools = QStandardPaths::findExecutable("bcftools");
    if (bcftools.isEmpty()) {
        GTEST_SKIP() << "bcftools is not installed (scripts/setup.sh installs it)";
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d = dir.path();
    QString out;
    ASSERT_TRUE(ConsoleRun::makeDemoWithReference(d, "1", {"--variants", "20000"}, out)) << out.toStdString();
    const QString inGenePath = d + "/in_gene.tsv";
    const QString regulatoryPath = d + "/regulatory.tsv";
    ASSERT_TRUE(runTool("resource_probe",
                        {"--workflow=" + QString(NX_SOURCE_DIR) + "/data/workflows/annotate_demo.json", "--set",
                         "read.url-in=" + d + "/variants.vcf", "--set", "annotate.db_path=" + d + "/reference.s3db",
                         "--set", "report.db_path=" + d + "/reference.s3db", "--set", "report.report_path=" + inGenePath,
                         "--set", "report.regulatory_report_path=" + regulatoryPath},
                        out))
        << out.toStdString();
    // The console run lists what the workflow wrote.
    EXPECT_TRUE(out.contains(inGenePath)) << out.toStdString();
    EXPECT_TRUE(out.contains(regulatoryPath)) << out.toStdString();

    QString header;
    const QList<QStringList> inGene = readTable(inGenePath, header);
    ASSERT_FALSE(inGene.isEmpty());
    EXPECT_TRUE(header.startsWith("#Chr\tPosition\tAllele\tdbSNP\tGene\t"));
    QString regulatoryHeader;
    const QList<QStringList> regulatory = readTable(regulatoryPath, regulatoryHeader);
    EXPECT_FALSE(regulatory.isEmpty());
    EXPECT_TRUE(regulatoryHeader.startsWith("#Chr\tPosition\tAllele\tdbSNP\tPromoter_of_Gene\t"));
    for (const QStringList& row : regulatory) {
        ASSERT_EQ(row.size(), 16) << row.join('\t').toStdString();
    }

    const QString csqPath = d + "/csq.vcf";
    ASSERT_TRUE(runTool(bcftools, {"csq", "-l", "-f", d + "/genome.fa", "-g", d + "/genes.gff3", "-Ov", "-o", csqPath,
                                   d + "/variants.vcf"},
                        out))
        << out.toStdString();
    // The transcripts the reference kept, from the same build again.
    ASSERT_TRUE(runTool("nolix-refdb", {"--out", d + "/again.s3db", "--fasta", d + "/genome.fa", "--genes",
                                        d + "/genes.gff3", "--chosen-transcripts", d + "/chosen.tsv"},
                        out))
        << out.toStdString();
    QSet<QString> kept;
    QString chosenHeader;
    for (const QStringList& row : readTable(d + "/chosen.tsv", chosenHeader)) {
        kept.insert(row.value(2));
    }
    int reverseSites = 0;
    const QHash<QString, QSet<QString>> peer = readCsq(csqPath, reverseSites, kept);
    ASSERT_FALSE(peer.isEmpty());

    DNAAlphabetRegistry alphabets;
    DNATranslationRegistry translations(&alphabets);
    const DNATranslation* amino = translations
                                      .lookupTranslation(alphabets.findById(BaseDNAAlphabetIds::NUCL_DNA_DEFAULT()),
                                                         DNATranslationType::NucleotideToAmino)
                                      .first();
    static const QRegularExpression codonRx("^([ACGT]{3})->([ACGT]{3})$");
    static const QRegularExpression substRx("^([A-Z*])(\\d+)([A-Z*])$");
    QHash<QString, int> reportSites;
    QStringList disagreements;
    for (const QStringList& row : inGene) {
        ASSERT_EQ(row.size(), 25) << row.join('\t').toStdString();
        if (row[8] == "-" || row[2].size() != 3) {  // single-base substitutions only: "A/G"
            continue;
        }
        const QString site = QString("%1:%2:%3").arg(row[0], row[1], row[2]);
        ++reportSites[site];
        const QRegularExpressionMatch codon = codonRx.match(row[8]);
        const QRegularExpressionMatch subst = substRx.match(row[9]);
        if (!codon.hasMatch() || !subst.hasMatch()) {
            disagreements << site + ": unreadable cells " + row[8] + " " + row[9];
            continue;
        }
        auto translate = [amino](const QString& c) {
            return QString(QChar::fromLatin1(amino->translate3to1(c[0].toLatin1(), c[1].toLatin1(), c[2].toLatin1())));
        };
        if (translate(codon.captured(1)) != subst.captured(1) || translate(codon.captured(2)) != subst.captured(3)) {
            disagreements << site + ": codons " + row[8] + " do not give " + row[9];
        }
        if (!peer.contains(site)) {
            disagreements << site + ": report " + row[9] + ", bcftools no coding change";
            continue;
        }
        const QSet<QString>& changes = peer[site];
        if (!changes.contains(row[9]) && !changes.contains(QString())) {
            disagreements << site + ": report " + row[9] + ", bcftools " + QStringList(changes.values()).join(',');
        }
    }
    int compared = 0;
    for (auto it = peer.constBegin(); it != peer.constEnd(); ++it) {
        if (reportSites.contains(it.key())) {
            ++compared;
        } else {
            disagreements << it.key() + ": bcftools " + QStringList(it.value().values()).join(',') +
                                 ", no codon cells in the report";
        }
    }
    std::cout << "coding SNV sites compared: " << compared << " (bcftools reverse-strand sites: " << reverseSites
              << "), in-gene rows: " << inGene.size() << ", regulatory rows: " << regulatory.size() << std::endl;
    EXPECT_GT(compared, 100);
    EXPECT_GT(reverseSites, 20);
    EXPECT_TRUE(disagreements.isEmpty()) << disagreements.size() << " disagreements, first: "
                                         << disagreements.mid(0, 10).join("\n").toStdString();
}
