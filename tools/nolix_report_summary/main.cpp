// nolix-report-summary: the summary page of an in-gene and a regulatory report (or of reports
// merged from shards). Reads the reports, counts, and writes one self-contained HTML file.
#include "ReportFileReader.h"
#include "RunDescription.h"
#include "SummaryPage.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

using namespace Nx;

namespace {

const char* const DESCRIPTION = R"(Writes the summary page of an in-gene and a regulatory report: one HTML file with every
style and chart inside it (inline SVG, no script, nothing loaded from anywhere), which any
browser shows offline. Its numbers are counted from the report rows only, so the page of
reports merged from shards is the page of one run over the whole input.

The page shows the run, the rows, variations and genes of each report, variations by
chromosome and by type, in-gene rows by location class (from the Location cells) and by
amino-acid change (Substitution cells), base changes and Ts/Tv, SIFT verdicts and scores,
known (dbSNP) and novel variations, regulatory rows by distance from the transcription start,
TATA-box labels by significance, the answers of the analysis elements, the 20 genes with the
most damaging variations and the score columns. Each chart has its numbers in a table.

--in-gene and --regulatory may be given several times (shard reports, counted together); a
file may also repeat the header line between the reports joined in it. A report without bytes
is a report without rows. The page is written under a temporary name and renamed at the end,
so a failed run leaves an older page as it was.

The run options only describe the run on the page: pass what the workflow run was given.
--set takes the values given to resource_probe --set; with --workflow they are applied to the
element settings of that file. --failed-requests takes the REPORT.failed_requests.tsv that a run
with failed per-variation requests writes beside its in-gene report (repeatable, for shards): the
page then says how many requests failed, by element, and lists the first ones.

Exit code 0 on success, 1 when a report cannot be read or is not a report ("file:line:
reason"), or the page cannot be written, 2 for a bad command line.)";

QString tr(const char* text) {
    return QCoreApplication::translate("NolixReportSummary", text);
}

int fail(const QString& message, int code) {
    std::fprintf(stderr, "nolix-report-summary: %s\n", message.toLocal8Bit().constData());
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("nolix-report-summary");

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(DESCRIPTION));
    parser.addHelpOption();
    const QCommandLineOption inGene("in-gene", tr("In-gene report (repeatable)."), "FILE");
    const QCommandLineOption regulatory("regulatory", tr("Regulatory report (repeatable)."), "FILE");
    const QCommandLineOption out("out", tr("Page to write; default: summary.html beside the first in-gene report."),
                                 "FILE");
    const QCommandLineOption input("input", tr("Input file of the run, e.g. its VCF (repeatable)."), "FILE");
    const QCommandLineOption reference("reference", tr("Reference database of the run."), "FILE");
    const QCommandLineOption started("started", tr("When the run started, ISO 8601 (date -Iseconds)."), "TIME");
    const QCommandLineOption duration("duration", tr("How long the run took, in seconds."), "SECONDS");
    const QCommandLineOption workflow("workflow", tr("Workflow file of the run, for its element settings."), "FILE");
    const QCommandLineOption set("set", tr("Element setting of the run, as given to resource_probe (repeatable)."),
                                 "NAME.ATTRIBUTE=VALUE");
    const QCommandLineOption failedRequests(
        "failed-requests", tr("Failed requests of the run (REPORT.failed_requests.tsv beside the in-gene report; repeatable)."),
        "FILE");
    parser.addOptions({inGene, regulatory, out, input, reference, started, duration, workflow, set, failedRequests});
    if (!parser.parse(app.arguments())) {
        return fail(parser.errorText() + tr(" (see --help)"), 2);
    }
    if (parser.isSet("help")) {
        parser.showHelp(0);
    }
    if (!parser.positionalArguments().isEmpty()) {
        return fail(tr("unexpected argument '%1' (see --help)").arg(parser.positionalArguments().first()), 2);
    }
    const QStringList inGenePaths = parser.values(inGene);
    const QStringList regulatoryPaths = parser.values(regulatory);
    if (inGenePaths.isEmpty() || regulatoryPaths.isEmpty()) {
        return fail(tr("give the reports with --in-gene FILE and --regulatory FILE (see --help)"), 2);
    }

    RunDescription run;
    QString error;
    // Absolute paths, so the page says which files were meant wherever it is opened.
    for (const QString& p : parser.values(input)) {
        run.inputs << QFileInfo(p).absoluteFilePath();
    }
    if (parser.isSet(reference)) {
        run.reference = QFileInfo(parser.value(reference)).absoluteFilePath();
    }
    if (parser.isSet(started) && !run.setStarted(parser.value(started), error)) {
        return fail(error, 2);
    }
    if (parser.isSet(duration) && !run.setDuration(parser.value(duration), error)) {
        return fail(error, 2);
    }
    if (parser.isSet(workflow)) {
        if (!run.loadWorkflow(parser.value(workflow), parser.values(set), error)) {
            return fail(error, 2);
        }
    } else {
        for (const QString& s : parser.values(set)) {
            const int eq = s.indexOf('=');
            if (eq < 0 || s.left(eq).indexOf('.') <= 0) {
                return fail(tr("--set '%1' is not NAME.ATTRIBUTE=VALUE").arg(s), 2);
            }
            run.looseSettings << s;
        }
    }

    for (const QString& path : parser.values(failedRequests)) {
        if (!FailedRequestsReader::read(path, run.failures, error)) {
            return fail(error, 1);
        }
    }

    ReportStatistics statistics;
    for (const QString& path : inGenePaths) {
        if (!ReportFileReader::read(path, ReportKind::InGene, statistics, error)) {
            return fail(error, 1);
        }
    }
    for (const QString& path : regulatoryPaths) {
        if (!ReportFileReader::read(path, ReportKind::Regulatory, statistics, error)) {
            return fail(error, 1);
        }
    }

    const QString outPath = parser.isSet(out)
                                ? parser.value(out)
                                : QFileInfo(inGenePaths.first()).absoluteDir().filePath("summary.html");
    const QString page = SummaryPage::build(statistics.result(), run, QDateTime::currentDateTime());
    QSaveFile file(outPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(page.toUtf8()) < 0 || !file.commit()) {
        return fail(tr("cannot write %1: %2").arg(outPath, file.errorString()), 1);
    }
    std::printf("%s\n", QFileInfo(outPath).absoluteFilePath().toLocal8Bit().constData());
    return 0;
}
