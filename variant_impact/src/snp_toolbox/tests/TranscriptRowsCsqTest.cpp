// The in-gene report on genes with several transcripts on both strands (alternative first exons,
// an exon of one isoform inside an intron of another, different coding starts), against bcftools
// csq on the same files: the annotation workflow runs from the console on a reference built with
// one transcript per gene and on one built with every transcript. Every row must describe the
// transcript it names: its Codon and Substitution cells agree with bcftools for that transcript
// and with the codon spliced here from the GFF3 and FASTA, its Location names that transcript's
// exon or intron, and a variation has one row per kept transcript that spans it.
#include <tests/ConsoleRun.h>

#include <QFile>
#include <QHash>
#include <QMap>
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

const QString DATA = QString(NX_SOURCE_DIR) + "/tools/nolix_refdb/tests/data/";

struct Transcript {
    QString id;
    QString name;      // the transcript's Name
    QString geneName;
    bool reverse = false;
    QVector<QPair<qint64, qint64>> exons;  // 1-based closed, ascending
    QVector<QPair<qint64, qint64>> cds;
    qint64 start() const { return exons.first().first; }
    qint64 end() const { return exons.last().second; }
};

// Reads the test GFF3 by splitting its lines, independent of the builder.
QHash<QString, Transcript> readTranscripts(const QString& path) {
    QHash<QString, Transcript> result;
    QHash<QString, QString> geneNames;
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n')) {
        QList<QByteArray> c = line.split('\t');
        if (c.size() != 9) {
            continue;
        }
        QHash<QString, QString> a;
        for (const QByteArray& kv : c[8].split(';')) {
            a.insert(QString(kv.left(kv.indexOf('='))), QString(kv.mid(kv.indexOf('=') + 1)));
        }
        const QPair<qint64, qint64> range(c[3].toLongLong(), c[4].toLongLong());
        if (c[2] == "gene") {
            geneNames.insert(a["ID"], a["Name"]);
        } else if (c[2] == "mRNA" || c[2] == "transcript") {
            Transcript& t = result[a["ID"].mid(11)];
            t.id = a["ID"].mid(11);
            t.name = a["Name"];
            t.geneName = geneNames[a["Parent"]];
            t.reverse = c[6] == "-";
        } else if (c[2] == "exon") {
            result[a["Parent"].mid(11)].exons << range;
        } else if (c[2] == "CDS") {
            result[a["Parent"].mid(11)].cds << range;
        }
    }
    return result;
}

QByteArray readFasta(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    QByteArray seq;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (!line.startsWith('>')) {
            seq += line.trimmed();
        }
    }
    return seq;
}

char complement(char c) {
    switch (c) {
        case 'A': return 'T';
        case 'C': return 'G';
        case 'G': return 'C';
        default: return 'A';
    }
}

// Genomic positions (1-based) of the coding bases in transcript order.
QVector<qint64> codingPositions(const Transcript& t) {
    QVector<qint64> p;
    for (const auto& part : t.cds) {
        for (qint64 i = part.first; i <= part.second; ++i) {
            p << i;
        }
    }
    if (t.reverse) {
        std::reverse(p.begin(), p.end());
    }
    return p;
}

QByteArray codon(const Transcript& t, const QByteArray& seq, int aaPosition, qint64 variantPos = 0, char alt = 0) {
    const QVector<qint64> p = codingPositions(t);
    QByteArray c;
    for (int i = 3 * (aaPosition - 1); i < 3 * aaPosition && i < p.size(); ++i) {
        char base = p[i] == variantPos ? alt : seq[int(p[i] - 1)];
        c += t.reverse ? complement(base) : base;
    }
    return c;
}

struct Call {
    int aaPosition = -1;
    QChar refAa;
    QChar altAa;
};

// pos:alt:transcript -> coding change of bcftools csq.
QHash<QString, Call> runCsq(const QString& vcf, const QString& outPath, QString& problem) {
    QProcess p;
    p.start(QStandardPaths::findExecutable("bcftools"),
            {"csq", "-l", "-f", DATA + "multi_isoform.fa", "-g", DATA + "multi_isoform.gff3", "-Ov", "-o", outPath, vcf});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        problem = QString::fromLocal8Bit(p.readAllStandardError());
        return {};
    }
    static const QRegularExpression aaRx("^(\\d+)([A-Z*])(?:>\\d+([A-Z*]))?$");
    QHash<QString, Call> result;
    QFile f(outPath);
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n')) {
        QList<QByteArray> c = line.split('\t');
        if (c.size() < 8 || line.startsWith('#') || !c[7].startsWith("BCSQ=")) {
            continue;
        }
        for (const QByteArray& item : c[7].mid(5).split(',')) {
            QList<QByteArray> f = item.split('|');
            if (f.size() < 6) {
                continue;
            }
            QRegularExpressionMatch m = aaRx.match(QString(f[5]));
            if (!m.hasMatch()) {
                continue;
            }
            Call call;
            call.aaPosition = m.captured(1).toInt();
            call.refAa = m.captured(2)[0];
            call.altAa = m.captured(3).isEmpty() ? call.refAa : m.captured(3)[0];
            result.insert(QString("%1:%2:%3").arg(QString(c[1]), QString(c[4]), QString(f[2])), call);
        }
    }
    return result;
}

struct Outcome {
    int rows = 0;
    int compared = 0;      // rows with codon cells checked against bcftools
    int reverse = 0;
    int notCoding = 0;     // rows of a variation outside their transcript's CDS, checked to have no codon
    QStringList faults;
};

class TranscriptRowsCsqTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("bcftools").isEmpty()) {
            GTEST_SKIP() << "bcftools is not installed (scripts/setup.sh installs it)";
        }
        ASSERT_TRUE(dir.isValid());
        transcripts = readTranscripts(DATA + "multi_isoform.gff3");
        ASSERT_EQ(transcripts.size(), 16);
        seq = readFasta(DATA + "multi_isoform.fa");
        ASSERT_EQ(seq.size(), 46000);
        // Every coding base of every transcript, and every 7th base of the genes elsewhere.
        QSet<qint64> positions;
        for (const Transcript& t : qAsConst(transcripts)) {
            for (qint64 p : codingPositions(t)) {
                positions.insert(p);
            }
            for (qint64 p = t.start() - 30; p <= t.end() + 30; p += 7) {
                positions.insert(p);
            }
        }
        QList<qint64> sorted = positions.values();
        std::sort(sorted.begin(), sorted.end());
        QByteArray vcf = "##fileformat=VCFv4.2\n##contig=<ID=chr9,length=46000>\n"
                         "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n";
        for (qint64 p : sorted) {
            const char ref = seq[int(p - 1)];
            const char alt = "CGTA"[QByteArray("ACGT").indexOf(ref)];
            alts.insert(p, alt);
            vcf += "chr9\t" + QByteArray::number(p) + "\t.\t" + ref + "\t" + alt + "\t.\t.\t.\n";
        }
        QFile f(dir.filePath("variants.vcf"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(vcf);
        f.close();
        QString problem;
        csq = runCsq(dir.filePath("variants.vcf"), dir.filePath("csq.vcf"), problem);
        ASSERT_FALSE(csq.isEmpty()) << problem.toStdString();
    }

    // Builds the reference with the extra builder options, runs the workflow and checks every row;
    // rowTranscript maps the Gene cell to the transcript id the row must describe.
    void check(const QStringList& builderOptions, const QHash<QString, QString>& rowTranscript, Outcome& o);

    QTemporaryDir dir;
    QHash<QString, Transcript> transcripts;
    QByteArray seq;
    QMap<qint64, char> alts;
    QHash<QString, Call> csq;
};

void TranscriptRowsCsqTest::check(const QStringList& builderOptions, const QHash<QString, QString>& rowTranscript,
                                  Outcome& o) {
    const QString tag = builderOptions.isEmpty() ? "one" : "all";
    const QString db = dir.filePath(tag + ".s3db");
    const QString report = dir.filePath(tag + "_in_gene.tsv");
    QString out;
    ASSERT_TRUE(runTool("nolix-refdb", QStringList{"--out", db, "--fasta", DATA + "multi_isoform.fa", "--genes",
                                                   DATA + "multi_isoform.gff3", "--quiet"} +
                                           builderOptions,
                        out))
        << out.toStdString();
    ASSERT_TRUE(runTool("resource_probe",
                        {"--workflow=" + QString(NX_SOURCE_DIR) + "/data/workflows/annotate_demo.json", "--set",
                         "read.url-in=" + dir.filePath("variants.vcf"), "--set", "annotate.db_path=" + db, "--set",
                         "report.db_path=" + db, "--set", "report.report_path=" + report, "--set",
                         "report.regulatory_report_path=" + dir.filePath(tag + "_regulatory.tsv")},
                        out))
        << out.toStdString();

    const QList<QString> keptIds = rowTranscript.values();
    const QSet<QString> kept(keptIds.begin(), keptIds.end());
    QHash<qint64, QSet<QString>> rowsAt;  // position -> transcripts with a row
    QSet<QString> withCodon;              // pos:alt:transcript of rows with codon cells
    QFile f(report);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        const QStringList c = QString::fromLatin1(line).split('\t');
        ASSERT_EQ(c.size(), 25) << line.toStdString();
        ++o.rows;
        const qint64 pos = c[1].toLongLong();
        const QString alt = c[2].section('/', 1);
        const QString id = rowTranscript.value(c[4]);
        if (id.isEmpty()) {
            o.faults << QString("%1: a row of '%2', which names no kept transcript").arg(pos).arg(c[4]);
            continue;
        }
        const Transcript& t = transcripts[id];
        if (rowsAt[pos].contains(id)) {
            o.faults << QString("%1: two rows of %2").arg(pos).arg(id);
        }
        rowsAt[pos].insert(id);
        // The Location cell names an exon or intron of this transcript.
        bool inExon = false;
        for (const auto& e : t.exons) {
            if (pos >= e.first && pos <= e.second) {
                inExon = true;
                const QString exon = QString("xon: %1..%2").arg(e.first).arg(e.second);
                if (!c[6].endsWith(exon) && !c[6].contains(exon + ". ")) {
                    o.faults << QString("%1 %2: location '%3', expected %4").arg(pos).arg(id, c[6], exon);
                }
            }
        }
        if (!inExon && !c[6].contains("ntron")) {  // "Intron: ..." or "... splice-site of the intron ..."
            o.faults << QString("%1 %2: location '%3' in an intron").arg(pos).arg(id, c[6]);
        }
        const QString key = QString("%1:%2:%3").arg(pos).arg(alt, id);
        if (c[8] == "-") {
            if (csq.contains(key)) {
                o.faults << key + ": bcftools codes a change, the row has no codon";
            }
            ++o.notCoding;
            continue;
        }
        withCodon.insert(key);
        if (!csq.contains(key)) {
            o.faults << key + ": the row has a codon " + c[8] + ", bcftools no coding change";
            continue;
        }
        const Call& call = csq[key];
        const QString expectedSubstitution = QString("%1%2%3").arg(call.refAa).arg(call.aaPosition).arg(call.altAa);
        const QString expectedCodon = QString("%1->%2").arg(QString::fromLatin1(codon(t, seq, call.aaPosition)),
                                                            QString::fromLatin1(codon(t, seq, call.aaPosition, pos,
                                                                                      alt.at(0).toLatin1())));
        if (c[9] != expectedSubstitution || c[8] != expectedCodon) {
            o.faults << QString("%1: row %2 %3, bcftools %4, spliced codon %5")
                            .arg(key, c[8], c[9], expectedSubstitution, expectedCodon);
            continue;
        }
        ++o.compared;
        o.reverse += t.reverse;
    }
    // Every coding change bcftools finds in a kept transcript has its row.
    for (auto it = csq.constBegin(); it != csq.constEnd(); ++it) {
        if (kept.contains(it.key().section(':', 2)) && !withCodon.contains(it.key())) {
            o.faults << it.key() + ": bcftools codes a change, no row with a codon";
        }
    }
    // One row per kept transcript that spans the variation: none merged, none lost.
    for (auto it = alts.constBegin(); it != alts.constEnd(); ++it) {
        QSet<QString> spanning;
        for (const QString& id : kept) {
            if (transcripts[id].start() <= it.key() && it.key() <= transcripts[id].end()) {
                spanning.insert(id);
            }
        }
        if (rowsAt.value(it.key()) != spanning) {
            o.faults << QString("%1: rows of %2 transcripts, %3 span it")
                            .arg(it.key())
                            .arg(rowsAt.value(it.key()).size())
                            .arg(spanning.size());
        }
    }
    std::cout << tag.toStdString() << " transcripts: " << o.rows << " rows, " << o.compared
              << " codon rows agree with bcftools csq (" << o.reverse << " on the reverse strand), " << o.notCoding
              << " rows without codon, " << o.faults.size() << " disagreements" << std::endl;
}

TEST_F(TranscriptRowsCsqTest, OneTranscriptPerGeneRowsDescribeTheChosenTranscript) {
    const QHash<QString, QString> chosen{{"MIS1", "ENST00000900001"}, {"MIS2", "ENST00000900011"},
                                         {"MIS3", "ENST00000900021"}, {"MIS4", "ENST00000900032"},
                                         {"MIS5", "ENST00000900041"}, {"MIS6", "ENST00000900051"}};
    Outcome o;
    check({}, chosen, o);
    EXPECT_TRUE(o.faults.isEmpty()) << o.faults.mid(0, 20).join("\n").toStdString();
    EXPECT_GT(o.compared, 2000);
    EXPECT_GT(o.reverse, 900);
    EXPECT_GT(o.notCoding, 1000);
}

TEST_F(TranscriptRowsCsqTest, EveryTranscriptRowsDescribeTheirOwnTranscript) {
    QHash<QString, QString> byName;
    for (const Transcript& t : qAsConst(transcripts)) {
        byName.insert(t.name, t.id);
    }
    Outcome o;
    check({"--all-transcripts"}, byName, o);
    EXPECT_TRUE(o.faults.isEmpty()) << o.faults.mid(0, 20).join("\n").toStdString();
    EXPECT_GT(o.compared, 5000);
    EXPECT_GT(o.reverse, 2000);
    EXPECT_GT(o.notCoding, 3000);
}

}  // namespace
