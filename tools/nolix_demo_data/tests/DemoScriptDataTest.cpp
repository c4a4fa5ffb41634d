// What nolix-demo-data writes for the analysis scripts, read back with the plain test readers:
// the alpha-globin gene encodes P69905 and its records change the residues they name, every
// identified record but one is in rsids.bed at its VCF place, and the peak files hold the edge
// cases (a peak ending at a record, one starting at a record) over identified promoter records.
#include "DemoTestFiles.h"

#include <QDir>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace DemoTest;

namespace {

const QByteArray GLOBIN =
    "MVLSPADKTNVKAAWGKVGAHAGEYGAEALERMFLSFPTTKTYFPHFDLSHGSAQVKGHGKKVADALTNAVAHVDDMPNALSALSDLHAHKLRVDPVNFKLLSH"
    "CLLVTLAAHLPAEFTPAVHASLDKFLASVSTVLTSKYR";

class DemoScriptDataTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir();
        QString err;
        exitCode = runProgram("nolix-demo-data", {"--out-dir", dir->path(), "--seed", "3"}, &err);
        errors = err;
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    void SetUp() override { ASSERT_EQ(exitCode, 0) << errors.toStdString(); }
    static QString path(const QString& name) { return dir->filePath(name); }

    static QTemporaryDir* dir;
    static int exitCode;
    static QString errors;
};

QTemporaryDir* DemoScriptDataTest::dir = nullptr;
int DemoScriptDataTest::exitCode = -1;
QString DemoScriptDataTest::errors;

QByteArray translate(const QByteArray& cds) {
    QByteArray p;
    for (int i = 0; i + 3 <= cds.size(); i += 3) {
        p += translateCodon(cds.mid(i, 3));
    }
    return p;
}

}  // namespace

TEST_F(DemoScriptDataTest, TheGlobinGeneEncodesP69905AndItsRecordsChangeTheNamedResidues) {
    const QHash<QString, QByteArray> fasta = readFasta(path("genome.fa"));
    Transcript globin;
    QHash<QString, QStringList> genes;
    for (const Transcript& t : readGff3(path("genes.gff3"), &genes)) {
        if (t.geneName == "HBA1") {
            globin = t;
        }
    }
    ASSERT_FALSE(globin.id.isEmpty());
    EXPECT_EQ(globin.exons.size(), 3);
    const QByteArray cds = codingSequence(globin, fasta[globin.chrom]);
    EXPECT_EQ(translate(cds), GLOBIN + "*");

    bool accession = false;
    for (const QStringList& row : readTsv(path("gene_info.tsv"))) {
        accession = accession || (row.value(0) == "HBA1" && row.value(2) == "P69905");
    }
    EXPECT_TRUE(accession);

    // Protein position -> (before, after) of the records inside the CDS.
    const QVector<qint64> positions = codingPositions(globin);
    QMap<int, QByteArray> changes;
    for (const VcfRecord& r : readVcf(path("variants.vcf"))) {
        const int offset = r.chrom == globin.chrom ? positions.indexOf(r.pos - 1) : -1;
        if (offset < 0) {
            continue;
        }
        EXPECT_TRUE(r.id.startsWith("rs")) << r.line;
        QByteArray varied = cds;
        varied[offset] = r.alts.first()[0];
        const int codon = offset / 3;
        changes[codon + 1] = QByteArray(1, translateCodon(cds.mid(codon * 3, 3))) + translateCodon(varied.mid(codon * 3, 3));
    }
    // Val1, His58 and His87 of 4HHB chain A are protein positions 2, 59 and 88.
    EXPECT_EQ(changes.value(2), "VM");
    EXPECT_EQ(changes.value(59), "HR");
    EXPECT_EQ(changes.value(88), "HY");
}

TEST_F(DemoScriptDataTest, EveryIdentifiedRecordButOnePromoterRecordIsInTheTable) {
    QHash<QByteArray, QString> placeOf;  // id -> "chrom start end" as the table must hold it
    QSet<QByteArray> promoterIds;
    for (const VcfRecord& r : readVcf(path("variants.vcf"))) {
        if (r.id.startsWith("rs")) {
            EXPECT_FALSE(placeOf.contains(r.id)) << r.id.constData();
            placeOf[r.id] = QString("%1 %2 %3").arg(r.chrom).arg(r.pos - 1).arg(r.pos - 1 + r.ref.size());
            if (r.info == "DEMO=promoter") {
                promoterIds << r.id;
            }
        }
    }
    EXPECT_GT(promoterIds.size(), 10);
    QSet<QByteArray> listed;
    for (const QStringList& row : readTsv(path("rsids.bed"))) {
        ASSERT_EQ(row.size(), 4);
        const QByteArray id = row[3].toLatin1();
        ASSERT_TRUE(placeOf.contains(id)) << row.join(' ').toStdString();
        EXPECT_EQ(placeOf[id], row.mid(0, 3).join(' '));
        listed << id;
    }
    QSet<QByteArray> missing = QSet<QByteArray>(placeOf.keyBegin(), placeOf.keyEnd()) - listed;
    ASSERT_EQ(missing.size(), 1);
    EXPECT_TRUE(promoterIds.contains(*missing.begin()));
}

TEST_F(DemoScriptDataTest, PeaksCoverPromoterRecordsWithBothHalfOpenEdgeCases) {
    QList<QStringList> ctcf = readTsv(path("chip_peaks/CTCF.narrowPeak"));
    QList<QStringList> ep300 = readTsv(path("chip_peaks/EP300.bed"));
    ASSERT_FALSE(ctcf.isEmpty());
    ASSERT_FALSE(ep300.isEmpty());
    QList<QStringList> all;
    for (const QStringList& p : ctcf) {
        ASSERT_EQ(p.size(), 10);
        const int score = p[4].toInt();
        EXPECT_TRUE(score >= 0 && score <= 1000);
        all << p;
    }
    for (const QStringList& p : ep300) {
        ASSERT_EQ(p.size(), 5);
        all << p;
    }
    int covered = 0, endsAt = 0, startsAt = 0;
    for (const VcfRecord& r : readVcf(path("variants.vcf"))) {
        if (r.info != "DEMO=promoter" || !r.id.startsWith("rs")) {
            continue;
        }
        const qint64 p = r.pos - 1;
        bool inside = false, end = false, start = false;
        for (const QStringList& peak : all) {
            if (peak[0] != r.chrom) {
                continue;
            }
            const qint64 s = peak[1].toLongLong(), e = peak[2].toLongLong();
            inside = inside || (s <= p && p < e);
            end = end || e == p;
            start = start || s == p;
        }
        covered += inside;
        endsAt += end && !inside;
        startsAt += start;
    }
    EXPECT_GE(covered, 3);
    EXPECT_GE(endsAt, 1);
    EXPECT_GE(startsAt, 1);
}
