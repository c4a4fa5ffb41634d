// The summary page of the demo run: demo data from the fixed seed, its reference database, the
// workflow read -> annotate -> tata -> report run by resource_probe, then nolix-report-summary.
// The counts on the page are checked against counts that awk takes from the same report files,
// and the page is opened in headless Chromium: no console error, no request, every chart drawn.
#include "HeadlessPageCheck.h"
#include "HtmlText.h"
#include "SummaryTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

using namespace Nx;

namespace {

// awk over the report files; every output line is "key<TAB>count".
QMap<QString, qint64> awkCounts(const QString& program, const QStringList& files) {
    QMap<QString, qint64> counts;
    const ProgramRun run = runProgram(QStandardPaths::findExecutable("awk"), QStringList{"-F", "\t", program} + files);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    for (const QString& line : run.out.split('\n', Qt::SkipEmptyParts)) {
        const int tab = line.lastIndexOf('\t');
        counts[line.left(tab)] = line.mid(tab + 1).toLongLong();
    }
    return counts;
}

// Distinct Chr, Position, Allele per chromosome.
const char* const AWK_CHROMOSOMES = R"awk(FNR > 1 && !seen[$1 FS $2 FS $3]++ { n[$1]++ } END { for (c in n) print c "\t" n[c] })awk";

const char* const AWK_ROWS = R"awk(FNR > 1 { n++ } END { print "rows\t" n + 0 })awk";

const char* const AWK_LOCATIONS = R"awk(NR > 1 {
    l = $7; c = "other"
    if (l == "Out of gene") c = "Out of gene"
    else if (index(l, "Donor splice-site")) c = "Splice site, donor"
    else if (index(l, "Acceptor splice-site")) c = "Splice site, acceptor"
    else if (index(l, "Non-coding exon: ")) c = "Non-coding exon"
    else if (index(l, "Non-coding part of") && index(l, "5'-end of gene")) c = "5' end (untranslated part of an exon)"
    else if (index(l, "Non-coding part of") && index(l, "3'-end of gene")) c = "3' end (untranslated part of an exon)"
    else if (l ~ /^(CDS\. )?Exon: /) c = "Coding exon"
    else if (index(l, "Intron")) c = "Intron"
    n[c]++
} END { for (c in n) print c "\t" n[c] })awk";

const char* const AWK_CODING = R"awk(NR > 1 && $10 != "-" {
    r = substr($10, 1, 1); a = substr($10, length($10), 1)
    if (r == "X" || a == "X") c = "No amino acid (codon changed by several bases)"
    else if (r == a) c = "Synonymous"
    else if (a == "*") c = "Nonsense (stop gained)"
    else if (r == "*") c = "Stop lost"
    else c = "Missense"
    n[c]++
} END { for (c in n) print c "\t" n[c] })awk";

const char* const AWK_SIFT = R"awk(NR > 1 { n[$11]++ } END { for (c in n) print c "\t" n[c] })awk";

// Over both reports: a variation is known when any of its rows has a dbSNP identifier.
const char* const AWK_KNOWN = R"awk(FNR > 1 { k = $1 FS $2 FS $3; if (!(k in v)) v[k] = 0; if ($4 != "-") v[k] = 1 }
END { for (k in v) n[v[k]]++; print "novel\t" n[0] + 0; print "known\t" n[1] + 0 })awk";

const char* const AWK_TITV = R"awk(FNR > 1 && !seen[$1 FS $2 FS $3]++ {
    split($3, p, "/")
    if (p[1] !~ /^[ACGT]$/ || p[2] !~ /^[ACGT]$/ || p[1] == p[2]) next
    x = p[1] p[2]
    if (x == "AG" || x == "GA" || x == "CT" || x == "TC") ts++; else tv++
} END { print "Transitions\t" ts + 0; print "Transversions\t" tv + 0 })awk";

const char* const AWK_DISTANCE = R"awk(NR > 1 {
    if ($7 == "-") b = "unknown (-)"
    else {
        d = substr($7, 2) + 0
        if (d < 0) b = "negative"; else if (d >= 1000) b = "1000 or more"
        else { lo = int(d / 100) * 100; b = lo "-" lo + 99 }
    }
    n[b]++
} END { for (b in n) print b "\t" n[b] })awk";

const char* const AWK_TATA = R"awk(NR > 1 {
    if ($10 == "-") c = "not analysed (-)"
    else { split($10, p, "/"); c = p[2] == "unsignificant" ? "unsignificant" : "change at confidence " p[2] }
    n[c]++
} END { for (c in n) print c "\t" n[c] })awk";

// Damaging in a gene: nonsense or stop lost, SIFT "Damaging", or a splice site; once per variation.
const char* const AWK_DAMAGING = R"awk(NR > 1 {
    s = $10; r = substr(s, 1, 1); a = substr(s, length(s), 1)
    stop = s != "-" && r != "X" && a != "X" && r != a && (a == "*" || r == "*")
    if ((stop || $11 == "Damaging" || index($7, "splice-site")) && !seen[$5 FS $1 FS $2 FS $3]++) n[$5]++
} END { for (g in n) print g "\t" n[g] })awk";

void expectColumn(const QList<QStringList>& table, const QMap<QString, qint64>& expected, int column,
                  const char* what) {
    qint64 onPage = 0;
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        const QStringList row = tableRow(table, it.key());
        EXPECT_EQ(countOf(row.value(column)), it.value()) << what << ": " << it.key().toStdString();
    }
    for (const QStringList& row : table) {
        if (expected.contains(row.first())) {
            onPage += countOf(row.value(column));
        }
    }
    qint64 total = 0;
    for (qint64 v : expected) {
        total += v;
    }
    EXPECT_EQ(onPage, total) << what;
}

}  // namespace

TEST(ReportSummaryEndToEndTest, DemoPageCountsAgreeWithTheReportsAndOpenCleanly) {
    if (QStandardPaths::findExecutable("awk").isEmpty()) {
        GTEST_SKIP() << "awk is not installed";
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d = dir.path();
    ProgramRun run = runProgram("nolix-demo-data", {"--out-dir", d, "--seed", "1", "--variants", "3000"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    run = runProgram("nolix-refdb", {"--out", d + "/reference.s3db", "--fasta", d + "/genome.fa", "--genes",
                                     d + "/genes.gff3", "--known-mutations", d + "/known_mutations.vcf", "--matrices",
                                     d + "/matrices.tsv", "--gene-info", d + "/gene_info.tsv",
                                     "--segmental-duplications", d + "/sd.bed", "--conserved-regions", d + "/cr.bed"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    ASSERT_TRUE(writeFile(d + "/workflow.json", R"({
      "elements": [
        {"name": "read", "type": "read-variations", "attributes": {"url-in": "variants.vcf"}},
        {"name": "annotate", "type": "VOZAdarova-id", "attributes": {"db_path": "reference.s3db"}},
        {"name": "tata", "type": "tata-box-snp", "attributes": {"db_path": "reference.s3db"}},
        {"name": "report", "type": "snp-report-writer-id", "attributes": {"db_path": "reference.s3db",
          "report_path": "in_gene.tsv", "regulatory_report_path": "regulatory.tsv"}}
      ],
      "links": [{"from": "read", "to": "annotate"}, {"from": "annotate", "to": "tata"}, {"from": "tata", "to": "report"}]
    })"));
    run = runProgram("resource_probe", {"--workflow=" + d + "/workflow.json"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString inGene = d + "/in_gene.tsv";
    const QString regulatory = d + "/regulatory.tsv";

    run = runProgram("nolix-report-summary", {"--in-gene", inGene, "--regulatory", regulatory, "--input",
                                              d + "/variants.vcf", "--reference", d + "/reference.s3db",
                                              "--workflow", d + "/workflow.json", "--duration", "1.5"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString pagePath = d + "/summary.html";
    const QString page = readFile(pagePath);
    QString parseError;
    const auto tables = readPageTables(page, &parseError);
    ASSERT_TRUE(parseError.isEmpty()) << parseError.toStdString();

    // Rows and variations of each report.
    const QMap<QString, qint64> inGeneRows = awkCounts(AWK_ROWS, {inGene});
    const QMap<QString, qint64> regulatoryRows = awkCounts(AWK_ROWS, {regulatory});
    QMap<QString, qint64> inGeneVariations = awkCounts(AWK_CHROMOSOMES, {inGene});
    QMap<QString, qint64> regulatoryVariations = awkCounts(AWK_CHROMOSOMES, {regulatory});
    auto total = [](const QMap<QString, qint64>& m) {
        qint64 s = 0;
        for (qint64 v : m) s += v;
        return s;
    };
    ASSERT_GT(inGeneRows["rows"], 1000);
    ASSERT_GT(regulatoryRows["rows"], 20);
    EXPECT_EQ(tableRow(tables["table-reports"], "In-gene").mid(1, 2),
              (QStringList{HtmlText::count(inGeneRows["rows"]), HtmlText::count(total(inGeneVariations))}));
    EXPECT_EQ(countOf(tableRow(tables["table-reports"], "Regulatory").value(1)), regulatoryRows["rows"]);
    EXPECT_EQ(countOf(tableRow(tables["table-reports"], "Regulatory").value(2)), total(regulatoryVariations));

    // Chromosomes, location classes, coding changes, SIFT verdicts.
    expectColumn(tables["table-chromosomes"], inGeneVariations, 1, "in-gene variations by chromosome");
    expectColumn(tables["table-chromosomes"], regulatoryVariations, 2, "regulatory variations by chromosome");
    const QMap<QString, qint64> locations = awkCounts(AWK_LOCATIONS, {inGene});
    EXPECT_FALSE(locations.contains("other"));
    EXPECT_GE(locations.size(), 7);
    expectColumn(tables["table-locations"], locations, 1, "locations");
    const QMap<QString, qint64> coding = awkCounts(AWK_CODING, {inGene});
    EXPECT_EQ(coding.size(), 5);
    expectColumn(tables["table-coding"], coding, 1, "coding changes");
    QMap<QString, qint64> sift;
    const QMap<QString, QString> siftNames{{"Damaging", "Damaging (score below 0.05)"}, {"Tolerated", "Tolerated"},
                                           {"Unknown", "Unknown (no SIFT score)"}, {"-", "Not a known mutation (-)"}};
    for (auto it = siftNames.begin(); it != siftNames.end(); ++it) {
        sift[it.value()] = awkCounts(AWK_SIFT, {inGene}).value(it.key());
    }
    EXPECT_GT(sift["Damaging (score below 0.05)"], 0);
    expectColumn(tables["table-sift-verdicts"], sift, 1, "SIFT verdicts");

    // Known and novel, transitions and transversions: per variation over both reports.
    const QMap<QString, qint64> known = awkCounts(AWK_KNOWN, {inGene, regulatory});
    const QStringList both = tableRow(tables["table-known"], "Both reports");
    EXPECT_EQ(countOf(both.value(1)), known["known"]);
    EXPECT_EQ(countOf(both.value(2)), known["novel"]);
    expectColumn(tables["table-titv"], awkCounts(AWK_TITV, {inGene, regulatory}), 1, "Ts/Tv");

    // Regulatory rows by distance and by TATA-box label.
    expectColumn(tables["table-distance"], awkCounts(AWK_DISTANCE, {regulatory}), 1, "distance bins");
    const QMap<QString, qint64> tata = awkCounts(AWK_TATA, {regulatory});
    EXPECT_GT(tata.size(), 1) << "the demo run has TATA-box answers";
    expectColumn(tables["table-tata"], tata, 1, "TATA labels");

    // Top genes: each listed gene's damaging count, and the first is the largest.
    const QMap<QString, qint64> damaging = awkCounts(AWK_DAMAGING, {inGene});
    const QList<QStringList>& genes = tables["table-genes"];
    ASSERT_EQ(genes.size(), std::min(20, damaging.size()));
    for (const QStringList& g : genes) {
        EXPECT_EQ(countOf(g.value(1)), damaging.value(g.first(), -1)) << g.first().toStdString();
    }
    EXPECT_EQ(countOf(genes.first().value(1)), *std::max_element(damaging.begin(), damaging.end()));

    // The page in a browser.
    const QString chromium = HeadlessPageCheck::findChromium();
    if (chromium.isEmpty()) {
        GTEST_SKIP() << HeadlessPageCheck::NO_CHROMIUM;
    }
    PageCheckResult r;
    QString why;
    ASSERT_TRUE(HeadlessPageCheck::checkOnce(chromium, pagePath, &r, &why)) << why.toStdString();
    EXPECT_TRUE(r.consoleErrors.isEmpty()) << r.consoleErrors.join('\n').toStdString();
    EXPECT_TRUE(r.requests.isEmpty()) << r.requests.join('\n').toStdString();
    EXPECT_EQ(r.svgCount, page.count("<svg "));
    EXPECT_GE(r.svgCount, 12);
    EXPECT_TRUE(r.bodyText.contains("Genes with the most damaging variations"));
    std::cout << "in-gene rows " << inGeneRows["rows"] << ", regulatory rows " << regulatoryRows["rows"] << ", charts "
              << r.svgCount << std::endl;
}
