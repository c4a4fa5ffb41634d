// The nolix-report-summary program as users run it: exit codes and messages, the page kept when
// a run fails, the default page beside the reports, the run section from the options, and the
// page of empty reports in headless Chromium, with a check that notices requests and errors.
#include "HeadlessPageCheck.h"
#include "SummaryTestSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Nx;

namespace {

const QByteArray ROW =
    "chr7\t7693\tG/C\trs990000005\tDemo protein 01\t\tCDS. Exon: 7583..7716\t2NXB\tCGA->GGA\tR100G\tTolerated\t0.843\t"
    "-\t-\t-\t0.978\t0.807\t-\t-\t0.323\t-\t-\t0.824\t0.459\t5.831\n";

}  // namespace

TEST(ReportSummaryProgramTest, BadInputStopsWithACleanMessageAndKeepsTheOldPage) {
    QTemporaryDir dir;
    const QString inGene = dir.filePath("in_gene.tsv");
    const QString regulatory = dir.filePath("regulatory.tsv");
    const QString page = dir.filePath("page.html");
    ASSERT_TRUE(writeFile(inGene, IN_GENE_HEADER + ROW + "chr7\t12\tA/G\n"));
    ASSERT_TRUE(writeFile(regulatory, ""));
    ASSERT_TRUE(writeFile(page, "the page of an earlier run"));

    ProgramRun run = runProgram("nolix-report-summary", {});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("--in-gene FILE and --regulatory FILE")) << run.err.toStdString();

    run = runProgram("nolix-report-summary", {"--in-gene", inGene, "--regulatory", regulatory, "--out", page});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "nolix-report-summary: " + inGene + ":3: 3 tab-separated cells; a row of the in-gene report has 25\n");
    EXPECT_EQ(readFile(page), "the page of an earlier run");

    run = runProgram("nolix-report-summary",
                     {"--in-gene", dir.filePath("nope.tsv"), "--regulatory", regulatory, "--out", page});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(dir.filePath("nope.tsv") + ": cannot read")) << run.err.toStdString();

    ASSERT_TRUE(writeFile(inGene, IN_GENE_HEADER + ROW));
    for (const QStringList& bad : {QStringList{"--started", "yesterday"}, QStringList{"--duration", "-3"},
                                   QStringList{"--workflow", QString(NX_SOURCE_DIR) + "/data/workflows/annotate_demo.json",
                                               "--set", "nosuch.db_path=x"},
                                   QStringList{"--bogus"}}) {
        run = runProgram("nolix-report-summary", QStringList{"--in-gene", inGene, "--regulatory", regulatory, "--out", page} + bad);
        EXPECT_EQ(run.exitCode, 2) << bad.join(' ').toStdString();
        EXPECT_FALSE(run.err.isEmpty());
    }
    EXPECT_EQ(readFile(page), "the page of an earlier run");
}

TEST(ReportSummaryProgramTest, PageBesideTheReportsDescribesTheRun) {
    QTemporaryDir dir;
    const QString inGene = dir.filePath("in_gene.tsv");
    const QString regulatory = dir.filePath("regulatory.tsv");
    ASSERT_TRUE(writeFile(inGene, IN_GENE_HEADER + ROW));
    ASSERT_TRUE(writeFile(regulatory, REGULATORY_HEADER));
    const QString workflow = QString(NX_SOURCE_DIR) + "/data/workflows/annotate_demo.json";
    const ProgramRun run = runProgram(
        "nolix-report-summary",
        {"--in-gene", inGene, "--regulatory", regulatory, "--input", dir.filePath("variants.vcf"), "--reference",
         dir.filePath("reference.s3db"), "--started", "2024-05-01T10:00:00+02:00", "--duration", "65.2", "--workflow",
         workflow, "--set", "report.report_path=" + inGene, "--set", "annotate.extra=1"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString page = dir.filePath("summary.html");
    EXPECT_EQ(run.out, page + "\n");

    QString parseError;
    const auto tables = readPageTables(readFile(page), &parseError);
    EXPECT_TRUE(parseError.isEmpty()) << parseError.toStdString();
    const QList<QStringList>& runTable = tables["table-run"];
    EXPECT_EQ(tableRow(runTable, "Input files").value(1), dir.filePath("variants.vcf"));
    EXPECT_EQ(tableRow(runTable, "Reference database").value(1), dir.filePath("reference.s3db"));
    EXPECT_EQ(tableRow(runTable, "Started").value(1), "2024-05-01T10:00:00+02:00");
    EXPECT_EQ(tableRow(runTable, "Duration").value(1), "1 min 5 s");
    EXPECT_EQ(tableRow(runTable, "Workflow").value(1), workflow);
    // The element settings of the file with the run's values applied.
    const QList<QStringList>& settings = tables["table-settings"];
    EXPECT_TRUE(settings.contains(QStringList{"report", "snp-report-writer-id", "report_path", inGene}));
    EXPECT_TRUE(settings.contains(QStringList{"annotate", "VOZAdarova-id", "extra", "1"}));
    EXPECT_TRUE(settings.contains(QStringList{"read", "read-variations", "url-in", "../../demo/variants.vcf"}));
    EXPECT_EQ(tableRow(tables["table-files"], regulatory).mid(1), (QStringList{"regulatory", QString::number(REGULATORY_HEADER.size()), "0"}));
    EXPECT_EQ(tableRow(tables["table-coding"], "Missense").value(1), "1");
}

// The browser check itself: a request for anything outside the page, a script error and a
// blocked load are all noticed, so a clean result of the other tests means something.
TEST(ReportSummaryProgramTest, BrowserCheckNoticesRequestsAndErrors) {
    const QString chromium = HeadlessPageCheck::findChromium();
    if (chromium.isEmpty()) {
        GTEST_SKIP() << HeadlessPageCheck::NO_CHROMIUM;
    }
    QTemporaryDir dir;
    const QString leaky = dir.filePath("leaky.html");
    ASSERT_TRUE(writeFile(leaky, "<!DOCTYPE html><html><head><title>x</title></head><body>"
                                 "<img src=\"http://127.0.0.1:9/x.png\"/><script>undefinedFunction();</script>"
                                 "</body></html>"));
    const QString blocked = dir.filePath("blocked.html");
    ASSERT_TRUE(writeFile(blocked, "<!DOCTYPE html><html><head><meta http-equiv=\"Content-Security-Policy\" "
                                   "content=\"default-src 'none'\"/></head><body><img src=\"other.png\"/></body></html>"));
    QTemporaryDir profile;
    HeadlessPageCheck browser;
    QString why;
    ASSERT_TRUE(browser.start(chromium, profile.path(), &why)) << why.toStdString();
    PageCheckResult r = browser.open(leaky, &why);
    ASSERT_TRUE(r.loaded) << why.toStdString();
    EXPECT_TRUE(r.requests.contains("http://127.0.0.1:9/x.png")) << r.requests.join(' ').toStdString();
    EXPECT_FALSE(r.consoleErrors.isEmpty());
    r = browser.open(blocked, &why);
    ASSERT_TRUE(r.loaded) << why.toStdString();
    EXPECT_FALSE(r.consoleErrors.isEmpty()) << "the refused load of other.png is an error in the console";
}

TEST(ReportSummaryProgramTest, ZeroRowReportsGiveACleanPageThatSaysSo) {
    QTemporaryDir dir;
    const QString inGene = dir.filePath("in_gene.tsv");
    const QString regulatory = dir.filePath("regulatory.tsv");
    ASSERT_TRUE(writeFile(inGene, ""));  // as the writer leaves a report nobody belongs to
    ASSERT_TRUE(writeFile(regulatory, REGULATORY_HEADER));
    const QString page = dir.filePath("empty.html");
    const ProgramRun run =
        runProgram("nolix-report-summary", {"--in-gene", inGene, "--regulatory", regulatory, "--out", page});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString html = readFile(page);
    EXPECT_TRUE(html.contains("Both reports have no rows")) << html.left(2000).toStdString();

    const QString chromium = HeadlessPageCheck::findChromium();
    if (chromium.isEmpty()) {
        GTEST_SKIP() << HeadlessPageCheck::NO_CHROMIUM;
    }
    PageCheckResult r;
    QString why;
    ASSERT_TRUE(HeadlessPageCheck::checkOnce(chromium, page, &r, &why)) << why.toStdString();
    EXPECT_TRUE(r.consoleErrors.isEmpty()) << r.consoleErrors.join('\n').toStdString();
    EXPECT_TRUE(r.requests.isEmpty()) << r.requests.join('\n').toStdString();
    EXPECT_TRUE(r.bodyText.contains("The in-gene report has no rows, so there is nothing to count here."));
    EXPECT_TRUE(r.bodyText.contains("The regulatory report has no rows, so there is nothing to count here."));
}
