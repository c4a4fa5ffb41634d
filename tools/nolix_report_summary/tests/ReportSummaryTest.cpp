// Reading and counting of reports without the program: merged and empty reports, every kind of
// malformed line named by file and line, the classes read from Location, Substitution,
// From_transcroption_start and TATATool cells, and pages for empty reports and hostile texts.
#include "HtmlText.h"
#include "ReportFileReader.h"
#include "RunDescription.h"
#include "SummaryPage.h"
#include "SvgChart.h"
#include "SummaryTestSupport.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <ctime>

#include <gtest/gtest.h>

using namespace Nx;

namespace {

QStringList blankRow(int cells) {
    QStringList row;
    for (int i = 0; i < cells; ++i) {
        row << "-";
    }
    return row;
}

// An in-gene row; cells not given are "-".
QByteArray inGeneRow(const QString& chr, int pos, const QString& allele, const QString& gene, const QString& location,
                     const QString& substitution = "-", const QString& sift = "-", const QString& dbSnp = "-") {
    QStringList cells = blankRow(25);
    cells[0] = chr;
    cells[1] = QString::number(pos);
    cells[2] = allele;
    cells[3] = dbSnp;
    cells[4] = gene;
    cells[5] = "";
    cells[6] = location;
    cells[9] = substitution;
    cells[10] = sift;
    if (sift == "Damaging" || sift == "Tolerated") {
        cells[11] = sift == "Damaging" ? "0.01" : "0.5";
    }
    return cells.join('\t').toLatin1() + '\n';
}

QByteArray regulatoryRow(int pos, const QString& distance, const QString& tata) {
    QStringList cells = blankRow(16);
    cells[0] = "chr7";
    cells[1] = QString::number(pos);
    cells[2] = "A/G";
    cells[3] = "rs1";
    cells[4] = "GENE1";
    cells[5] = "";
    cells[6] = distance;
    cells[9] = tata;
    return cells.join('\t').toLatin1() + '\n';
}

class ReportSummaryTest : public ::testing::Test {
protected:
    QString file(const QString& name, const QByteArray& data) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(writeFile(path, data));
        return path;
    }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(ReportSummaryTest, ShardReportsAreCountedTogetherAndEmptyReportsHaveNoRows) {
    // A merged file that repeats the header, a second shard, a report of no bytes, a header alone.
    const QString merged = file("merged.tsv", IN_GENE_HEADER + inGeneRow("chr7", 100, "A/G", "G1", "CDS. Exon: 1..200", "K10E") +
                                                  inGeneRow("chr7", 100, "A/G", "G2", "Out of gene") + IN_GENE_HEADER +
                                                  inGeneRow("chr17", 5, "C/T", "G1", "CDS. Intron: 3..9", "-", "-", "rs7"));
    const QString shard = file("shard.tsv", IN_GENE_HEADER + inGeneRow("chr7", 300, "AT/A", "G3", "CDS. Exon: 1..400", "L5X"));
    const QString empty = file("empty.tsv", "");
    const QString headerOnly = file("header.tsv", IN_GENE_HEADER);
    const QString regulatory = file("regulatory.tsv", "");

    ReportStatistics statistics;
    QString error;
    for (const QString& path : {merged, shard, empty, headerOnly}) {
        ASSERT_TRUE(ReportFileReader::read(path, ReportKind::InGene, statistics, error)) << error.toStdString();
    }
    ASSERT_TRUE(ReportFileReader::read(regulatory, ReportKind::Regulatory, statistics, error)) << error.toStdString();
    const SummaryCounts c = statistics.result();
    EXPECT_EQ(c.inGeneRows, 4);
    EXPECT_EQ(c.inGeneVariations, 3);  // chr7:100 A/G has two rows
    EXPECT_EQ(c.inGeneGenes, 3);
    EXPECT_EQ(c.regulatoryRows, 0);
    ASSERT_EQ(c.files.size(), 5);
    EXPECT_EQ(c.files[0].rows, 3);
    EXPECT_EQ(c.files[2].rows, 0);
    ASSERT_EQ(c.chromosomes.size(), 2);
    EXPECT_EQ(c.chromosomes[0].name, "chr7");  // chromosome order, not text order
    EXPECT_EQ(c.chromosomes[0].inGeneVariations, 2);
    EXPECT_EQ(c.chromosomes[0].inGeneRows, 3);
    EXPECT_EQ(c.knownAll[1], 1);
    EXPECT_EQ(c.knownAll[0], 2);
    EXPECT_EQ(c.variationTypes[int(VariationType::Deletion)], 1);
    EXPECT_EQ(c.transitions, 2);  // A>G, C>T
    EXPECT_EQ(c.transversions, 0);
    EXPECT_EQ(c.codingClasses[int(CodingClass::Missense)], 1);
    EXPECT_EQ(c.codingClasses[int(CodingClass::NoAminoAcid)], 1);
}

TEST_F(ReportSummaryTest, MalformedReportsNameFileAndLine) {
    const QByteArray good = inGeneRow("chr7", 100, "A/G", "G1", "CDS. Exon: 1..200");
    QByteArray shortRow = good;
    shortRow.replace("\t-\n", "\n");
    struct Case {
        const char* what;
        ReportKind kind;
        QByteArray data;
        QString expected;  // after "<path>"
    };
    const QList<Case> cases{
        {"too few cells", ReportKind::InGene, IN_GENE_HEADER + good + shortRow,
         ":3: 24 tab-separated cells; a row of the in-gene report has 25"},
        {"reports swapped", ReportKind::InGene, REGULATORY_HEADER,
         ":1: this is the header of the regulatory report, not of the in-gene report"},
        {"no header", ReportKind::Regulatory, "chr7\t1\n", ":1: not the header of the regulatory report"},
        {"cut short", ReportKind::InGene, IN_GENE_HEADER + good.left(good.size() - 3),
         ":2: the last line has no line end: the file is cut short"},
        {"carriage return", ReportKind::InGene, IN_GENE_HEADER + good.left(good.size() - 1) + "\r\n",
         ":2: the line ends with a carriage return"},
        {"position 0", ReportKind::InGene, IN_GENE_HEADER + inGeneRow("chr7", 0, "A/G", "G1", "x"),
         ":2: Position '0' is not a whole number from 1 on"},
        {"allele", ReportKind::InGene, IN_GENE_HEADER + inGeneRow("chr7", 4, "AG", "G1", "x"),
         ":2: Allele 'AG' is not REF/ALT"},
        {"substitution", ReportKind::InGene, IN_GENE_HEADER + good + inGeneRow("chr7", 4, "A/G", "G1", "x", "R100"),
         ":3: Substitution 'R100' is not an amino-acid change"},
        {"SIFT verdict", ReportKind::InGene, IN_GENE_HEADER + inGeneRow("chr7", 4, "A/G", "G1", "x", "-", "Bad"),
         ":2: SIFTeffect 'Bad' is none of"},
        {"distance", ReportKind::Regulatory, REGULATORY_HEADER + regulatoryRow(5, "719", "-"),
         ":2: From_transcroption_start '719' is not a minus sign and a distance"},
        {"TATA label", ReportKind::Regulatory, REGULATORY_HEADER + regulatoryRow(5, "-7", "2.6/0.5"),
         ":2: TATATool '2.6/0.5' is not a statistic and a level"},
        {"empty line", ReportKind::InGene, IN_GENE_HEADER + good + "\n" + good, ":3: empty line between rows"},
        {"other header inside", ReportKind::InGene, IN_GENE_HEADER + good + "#Chr\tPosition\n",
         ":3: a header line that differs"},
        {"NUL byte", ReportKind::InGene, IN_GENE_HEADER + good + QByteArray(good).replace("G1", QByteArray("G\0", 2)),
         ":3: a NUL byte in cell 5 (Gene); a report is text"},
        {"cell at the limit and one past it", ReportKind::InGene,
         IN_GENE_HEADER + QByteArray(good).replace("CDS. Exon: 1..200", QByteArray(ReportFileReader::MAX_CELL_BYTES, 'x')) +
             QByteArray(good).replace("CDS. Exon: 1..200", QByteArray(ReportFileReader::MAX_CELL_BYTES + 1, 'x')),
         ":3: cell 7 (Location) is longer than 1048576 bytes, the longest cell a report may hold"},
        {"huge last cell", ReportKind::Regulatory,
         REGULATORY_HEADER + regulatoryRow(5, "-7", "-").replace("\t-\n", "\t" + QByteArray(40 << 20, '7') + "\n"),
         ":2: cell 16 (gerpScore) is longer than 1048576 bytes"},
        {"huge line without tabs", ReportKind::InGene, IN_GENE_HEADER + QByteArray(30 << 20, 'c') + "\n",
         ":2: cell 1 (Chr) is longer than 1048576 bytes"},
    };
    for (const Case& c : cases) {
        const QString path = file(QString(c.what).replace(' ', '_') + ".tsv", c.data);
        ReportStatistics statistics;
        QString error;
        EXPECT_FALSE(ReportFileReader::read(path, c.kind, statistics, error)) << c.what;
        EXPECT_TRUE(error.startsWith(path + c.expected)) << c.what << ": " << error.toStdString();
    }
    // A score that is no number, in a column the page summarises.
    QByteArray badScore = good;
    badScore.replace("\t-\n", "\thigh\n");
    const QString path = file("score.tsv", IN_GENE_HEADER + badScore);
    ReportStatistics statistics;
    QString error;
    EXPECT_FALSE(ReportFileReader::read(path, ReportKind::InGene, statistics, error));
    EXPECT_EQ(error, path + ":2: gerpScore 'high' is not a number");
    EXPECT_FALSE(ReportFileReader::read(dir.filePath("missing.tsv"), ReportKind::InGene, statistics, error));
    EXPECT_TRUE(error.startsWith(dir.filePath("missing.tsv") + ": cannot read")) << error.toStdString();
}

// Location texts as the report writer makes them, on both strands, for genes named "FR..." (no
// leading "CDS. ") and in every branch of the location analysis.
TEST(ReportCellClassesTest, LocationTextsGiveTheirClass) {
    const QList<QPair<QString, LocationClass>> texts{
        {"Out of gene", LocationClass::OutOfGene},
        {"CDS. Exon: 7583..7716", LocationClass::CodingExon},
        {"Exon: 100..200", LocationClass::CodingExon},
        {"CDS. Exon: 7583..7716. Acceptor splice-site.", LocationClass::SpliceAcceptor},
        {"CDS. Exon: 8190..8346. Donor splice-site.", LocationClass::SpliceDonor},
        {"CDS. Donor splice-site of the intron 7717..8189, nearest exon is: 7583..7716", LocationClass::SpliceDonor},
        {"Acceptor splice-site of the intron 5..9, nearest exon is: 10..20", LocationClass::SpliceAcceptor},
        {"CDS. Intron: 7717..8189", LocationClass::Intron},
        {"CDS. Intron.", LocationClass::Intron},
        {"Out of CDS. 3'-end of gene. Intron: 100..200", LocationClass::Intron},
        {"Out of CDS. 5'-end of gene. Non-coding part of 3'-coding exon: 10..90", LocationClass::FivePrimeEnd},
        {"Out of CDS. 3'-end of gene. Non-coding part of 5'-coding exon: 7583..7716", LocationClass::ThreePrimeEnd},
        {"5'-end of gene. Non-coding part of 3'-coding exon: 10..90", LocationClass::FivePrimeEnd},
        {"Out of CDS. 3'-end of gene. Non-coding part of 5'-coding exon: 1..9. Donor splice-site.",
         LocationClass::SpliceDonor},
        {"Out of CDS. 5'-end of gene. Non-coding exon: 300..400", LocationClass::NonCodingExon},
        {"3'-end of gene. Non-coding exon: 300..400", LocationClass::NonCodingExon},
        {"somewhere else", LocationClass::Unrecognised},
    };
    for (const auto& t : texts) {
        EXPECT_EQ(int(ReportCellClasses::locationClass(t.first)), int(t.second)) << t.first.toStdString();
    }
}

TEST_F(ReportSummaryTest, CodingDistanceAndTataCellsAreBinned) {
    QByteArray inGene = IN_GENE_HEADER;
    int pos = 1;
    for (const char* s : {"R100G", "L5L", "*7*", "Q9*", "*12R", "A3X"}) {
        inGene += inGeneRow("chr7", pos++, "A/G", "G1", "CDS. Exon: 1..90", s);
    }
    QByteArray regulatory = REGULATORY_HEADER;
    const QList<QPair<QString, QString>> rows{{"-0", "2.6/0.99"},          {"-99", "1.2/unsignificant"},
                                              {"-100", "5/0.999999"},      {"-999", "nan/unsignificant"},
                                              {"-1000", "-"},              {"--5", "3.5/0.999"},
                                              {"-", "2.0/0.95"}};
    for (const auto& r : rows) {
        regulatory += regulatoryRow(pos++, r.first, r.second);
    }
    ReportStatistics statistics;
    QString error;
    ASSERT_TRUE(ReportFileReader::read(file("g.tsv", inGene), ReportKind::InGene, statistics, error)) << error.toStdString();
    ASSERT_TRUE(ReportFileReader::read(file("r.tsv", regulatory), ReportKind::Regulatory, statistics, error))
        << error.toStdString();
    const SummaryCounts c = statistics.result();
    EXPECT_EQ(c.codingClasses, (QVector<qint64>{2, 1, 1, 1, 1}));  // synonymous (a kept stop too), missense, ...
    EXPECT_EQ(c.distanceBins[0], 2);
    EXPECT_EQ(c.distanceBins[1], 1);
    EXPECT_EQ(c.distanceBins[9], 1);
    EXPECT_EQ(c.distanceAtLeast1000, 1);
    EXPECT_EQ(c.distanceNegative, 1);
    EXPECT_EQ(c.distanceUnknown, 1);
    EXPECT_EQ(c.tataLevels, (QVector<qint64>{1, 1, 1, 1, 2}));
    EXPECT_EQ(c.tataNotAnalysed, 1);
    EXPECT_EQ(c.answers.last().answered, 6);  // TATATool cells other than "-"
}

TEST(SummaryPageTest, EmptyReportsGiveAPageThatSaysSo) {
    const SummaryCounts none = ReportStatistics().result();
    const QString page = SummaryPage::build(none, RunDescription(), QDateTime::currentDateTime());
    QString parseError;
    const auto tables = readPageTables(page, &parseError);
    EXPECT_TRUE(parseError.isEmpty()) << parseError.toStdString();
    EXPECT_TRUE(page.contains("Both reports have no rows: no variation of this run lies in a gene or in a promoter."));
    EXPECT_TRUE(page.contains("The in-gene report has no rows, so there is nothing to count here."));
    EXPECT_TRUE(page.contains("The regulatory report has no rows, so there is nothing to count here."));
    EXPECT_EQ(tableRow(tables["table-reports"], "In-gene").mid(1), (QStringList{"0", "0", "0"}));
    EXPECT_FALSE(tables.contains("table-locations"));
}

// Report cells are data: a gene name or disease text with markup is shown as text, never run.
TEST_F(ReportSummaryTest, TextsFromTheReportsAreEscaped) {
    QStringList cells = blankRow(25);
    cells[0] = "chr7";
    cells[1] = "10";
    cells[2] = "A/G";
    cells[4] = "<script>alert(1)</script>";
    cells[5] = "Tom & Jerry's \"disease\"";
    cells[6] = "CDS. Exon: 1..90";
    cells[9] = "Q9*";
    ReportStatistics statistics;
    QString error;
    ASSERT_TRUE(ReportFileReader::read(file("g.tsv", IN_GENE_HEADER + cells.join('\t').toLatin1() + '\n'),
                                       ReportKind::InGene, statistics, error));
    const QString page = SummaryPage::build(statistics.result(), RunDescription(), QDateTime::currentDateTime());
    EXPECT_FALSE(page.contains("<script"));
    QString parseError;
    const auto tables = readPageTables(page, &parseError);
    EXPECT_TRUE(parseError.isEmpty()) << parseError.toStdString();
    const QStringList gene = tableRow(tables["table-genes"], "<script>alert(1)</script>");
    ASSERT_EQ(gene.size(), 8);
    EXPECT_EQ(gene[1], "1");
    EXPECT_EQ(gene[7], "Tom & Jerry's \"disease\"");
}

// Every time of the page says its zone, the header's too; a page written at a UTC time says Z.
TEST(SummaryPageTest, TimesCarryTheirZone) {
    // A local zone an hour east of UTC, whatever the machine's own.
    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "CET-1");
    tzset();
    const SummaryCounts none = ReportStatistics().result();
    RunDescription run;
    run.started = QDateTime(QDate(2026, 12, 9), QTime(22, 0, 5), Qt::OffsetFromUTC, 3600);
    const QDateTime written(QDate(2026, 12, 9), QTime(21, 30, 0), Qt::LocalTime);
    const QString page = SummaryPage::build(none, run, written);
    const QString zoned = HtmlText::dateTime(written);
    EXPECT_EQ(zoned, "2026-12-09T21:30:00+01:00");
    EXPECT_TRUE(page.contains("written " + zoned + ".</p>")) << "header";
    EXPECT_TRUE(page.contains("2026-12-09T22:00:05+01:00")) << "start of the run";
    EXPECT_EQ(page.count(zoned), 2) << "header and run table";
    EXPECT_EQ(HtmlText::dateTime(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC)), "2026-01-02T03:04:05Z");
    if (oldTz.isNull()) {
        qunsetenv("TZ");
    } else {
        qputenv("TZ", oldTz);
    }
    tzset();
}

// A long label is shortened on the chart but stays readable as its tooltip, and slanted column
// labels start inside the chart.
TEST(SvgChartTest, LongLabelsKeepTheirFullTextAsTooltip) {
    const QString longName = "chrUn_KI270742v1_a_very_long_contig_name_from_an_assembly";
    for (int columns : {3, 30}) {
        SvgChart chart("Variations by chromosome", {{"variations", "#47a"}});
        for (int i = 0; i < columns; i++) {
            chart.addBar(i == 0 ? longName : QString("chr%1").arg(i), {double(i + 1)});
        }
        for (const QString& svg : {chart.columns(), chart.horizontal()}) {
            EXPECT_TRUE(svg.contains("<title>" + longName + "</title>")) << columns << svg.left(400).toStdString();
            EXPECT_FALSE(svg.contains(">" + longName + "<title>")) << "shortened on the chart";
            EXPECT_TRUE(svg.contains(QString(">chrUn_KI270742v1_a_very_long_cont") + QChar(0x2026) + "<title>"));
        }
        // The end-anchored, slanted first label reaches left by about 0.71 of its length.
        const QRegularExpressionMatch m =
            QRegularExpression("<text x=\"([\\d.]+)\" y=\"[\\d.]+\" text-anchor=\"end\"[^>]*rotate\\(-45[^>]*>chrUn")
                .match(chart.columns());
        if (m.hasMatch()) {
            EXPECT_GE(m.captured(1).toDouble() - 34 * 6.6 * 0.71, 0.0) << columns;
        }
    }
}
