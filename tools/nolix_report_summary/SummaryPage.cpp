#include "SummaryPage.h"

#include "HtmlText.h"
#include "SvgChart.h"

#include <QFileInfo>
#include <QSet>

namespace Nx {

namespace {

// Colours that stay apart for colour-blind readers.
const char* const BLUE = "#0072B2";
const char* const ORANGE = "#E69F00";
const char* const GREEN = "#009E73";
const char* const RED = "#D55E00";
const char* const PURPLE = "#CC79A7";
const char* const SKY = "#56B4E9";
const char* const GREY = "#999999";
const char* const LIGHT = "#d9d9d9";

const char* const STYLE = R"(
body { font-family: system-ui, -apple-system, "Segoe UI", Roboto, "DejaVu Sans", sans-serif; color: #222;
       margin: 0; background: #f4f5f7; line-height: 1.4; }
header { background: #1f3b57; color: #fff; padding: 20px 32px 14px; }
header h1 { margin: 0 0 4px; font-size: 26px; }
header p { margin: 2px 0; color: #d6e2ee; }
nav { margin-top: 10px; font-size: 14px; }
nav a { color: #fff; margin-right: 14px; text-decoration: none; border-bottom: 1px dotted #9fb8cf; }
main { max-width: 1440px; margin: 0 auto; padding: 16px 24px 40px; }
section { background: #fff; border: 1px solid #dde1e6; border-radius: 6px; padding: 14px 20px 18px;
          margin: 16px 0; }
h2 { font-size: 19px; margin: 0 0 6px; color: #1f3b57; }
h3 { font-size: 15px; margin: 14px 0 6px; }
p.note { color: #555; font-size: 13px; margin: 2px 0 10px; max-width: 1100px; }
p.empty, div.banner { background: #fff4e0; border: 1px solid #f0c36d; padding: 8px 12px; border-radius: 4px; }
div.banner { margin: 16px 0 0; font-weight: 600; }
.cards { display: flex; flex-wrap: wrap; gap: 12px; margin: 12px 0 4px; }
.card { background: #fff; border: 1px solid #dde1e6; border-radius: 6px; padding: 10px 16px; min-width: 140px; }
.card .value { font-size: 24px; font-weight: 600; color: #1f3b57; }
.card .label { font-size: 13px; color: #555; }
.block { display: flex; flex-wrap: wrap; gap: 28px; align-items: flex-start; }
figure { margin: 0; flex: 1 1 420px; max-width: 560px; min-width: 300px; }
svg.chart { width: 100%; height: auto; }
.numbers { flex: 0 1 auto; }
table { border-collapse: collapse; font-size: 13px; }
th, td { padding: 3px 10px; border-bottom: 1px solid #e6e8eb; vertical-align: top; }
thead th { text-align: left; background: #eef1f4; border-bottom: 1px solid #cfd5db; }
tbody th { text-align: left; font-weight: normal; }
td { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }
td.text { text-align: left; white-space: normal; }
tbody tr:nth-child(even) { background: #f8f9fa; }
tfoot th, tfoot td { font-weight: 600; border-top: 1px solid #cfd5db; }
tfoot th { text-align: left; }
td.text { max-width: 260px; }
code, .path { font-family: "DejaVu Sans Mono", monospace; font-size: 12px; word-break: break-all; }
details { font-size: 13px; color: #444; margin-top: 8px; }
.swatch { display: inline-block; width: 10px; height: 10px; margin-right: 6px; vertical-align: baseline; }
)";

QString esc(const QString& text) {
    return HtmlText::escape(text);
}

// A table whose first column heads its rows; the other columns hold numbers unless marked text.
class Table {
public:
    Table(const QString& id, const QStringList& headers, const QSet<int>& textColumns = {})
        : id(id), headers(headers), textColumns(textColumns) {}
    void add(const QStringList& cells, const QString& swatch = QString()) { rows << Row{cells, swatch}; }
    void total(const QStringList& cells) { footer = cells; }
    QString html() const {
        QString out = QString("<table id=\"%1\"><thead><tr>").arg(id);
        for (const QString& h : headers) {
            out += "<th scope=\"col\">" + esc(h) + "</th>";
        }
        out += "</tr></thead><tbody>";
        for (const Row& r : rows) {
            out += "<tr>" + cells(r.cells, r.swatch) + "</tr>";
        }
        out += "</tbody>";
        if (!footer.isEmpty()) {
            out += "<tfoot><tr>" + cells(footer, QString()) + "</tr></tfoot>";
        }
        return out + "</table>";
    }

private:
    struct Row {
        QStringList cells;
        QString swatch;
    };
    QString cells(const QStringList& values, const QString& swatch) const {
        QString out;
        for (int i = 0; i < values.size(); ++i) {
            if (i == 0) {
                const QString mark = swatch.isEmpty()
                                         ? QString()
                                         : QString("<span class=\"swatch\" style=\"background:%1\"></span>").arg(swatch);
                out += "<th scope=\"row\">" + mark + esc(values[i]) + "</th>";
            } else {
                out += QString(textColumns.contains(i) ? "<td class=\"text\">" : "<td>") + esc(values[i]) + "</td>";
            }
        }
        return out;
    }
    QString id;
    QStringList headers;
    QSet<int> textColumns;
    QList<Row> rows;
    QStringList footer;
};

QString block(const QString& svg, const QString& table) {
    return "<div class=\"block\"><figure>" + svg + "</figure><div class=\"numbers\">" + table + "</div></div>";
}

QString section(const QString& id, const QString& title, const QString& note, const QString& body) {
    QString out = QString("<section id=\"%1\"><h2>%2</h2>").arg(id, esc(title));
    if (!note.isEmpty()) {
        out += "<p class=\"note\">" + esc(note) + "</p>";
    }
    return out + body + "</section>";
}

QString emptyNote(ReportKind kind) {
    return "<p class=\"empty\">" +
           esc(SummaryPage::tr("The %1 report has no rows, so there is nothing to count here.")
                   .arg(ReportFormat::kindName(kind))) +
           "</p>";
}

QString countCell(qint64 n) {
    return HtmlText::count(n);
}

qint64 sum(const QVector<qint64>& values) {
    qint64 s = 0;
    for (qint64 v : values) {
        s += v;
    }
    return s;
}

QString locationColor(LocationClass c) {
    switch (c) {
        case LocationClass::CodingExon: return BLUE;
        case LocationClass::SpliceDonor: return RED;
        case LocationClass::SpliceAcceptor: return ORANGE;
        case LocationClass::Intron: return SKY;
        case LocationClass::FivePrimeEnd: return PURPLE;
        case LocationClass::ThreePrimeEnd: return "#a05a8c";
        case LocationClass::NonCodingExon: return GREEN;
        case LocationClass::OutOfGene: return GREY;
        case LocationClass::Unrecognised: break;
    }
    return LIGHT;
}

QString codingColor(CodingClass c) {
    switch (c) {
        case CodingClass::Synonymous: return GREEN;
        case CodingClass::Missense: return ORANGE;
        case CodingClass::Nonsense: return RED;
        case CodingClass::StopLost: return PURPLE;
        case CodingClass::NoAminoAcid: break;
    }
    return GREY;
}

// ---- Sections --------------------------------------------------------------------------------

// The run's failed per-variation requests: how many, by element, and the first ones listed.
QString failuresBlock(const FailedRequests& f) {
    QString out = "<h3 id=\"failures\">" + esc(SummaryPage::tr("Failed requests")) + "</h3>";
    if (f.failed == 0) {
        return out + "<p class=\"note\">" + esc(SummaryPage::tr("No request failed.")) + "</p>";
    }
    out += "<div class=\"banner\">" +
           esc(SummaryPage::tr("%1 of %2 requests failed: their answers are missing from the reports.")
                   .arg(countCell(f.failed), countCell(f.total))) +
           "</div>";
    Table byElement("table-failures-by-element", {SummaryPage::tr("Element"), SummaryPage::tr("Failed requests listed")});
    for (auto it = f.listedByElement.constBegin(); it != f.listedByElement.constEnd(); ++it) {
        byElement.add({it.key(), countCell(it.value())});
    }
    out += byElement.html();
    Table rows("table-failures", {SummaryPage::tr("Element"), SummaryPage::tr("Variation"), SummaryPage::tr("Reason")},
               {1, 2});
    for (const FailedRequestRow& r : f.rows) {
        rows.add({r.element, r.variation, r.reason});
    }
    qint64 listed = 0;
    for (qint64 n : f.listedByElement) {
        listed += n;
    }
    const QString note = listed > f.rows.size()
                             ? SummaryPage::tr("The first %1 of the %2 listed failures.").arg(f.rows.size()).arg(listed)
                             : QString();
    return out + (note.isEmpty() ? QString() : "<p class=\"note\">" + esc(note) + "</p>") + rows.html();
}

QString runSection(const SummaryCounts& c, const RunDescription& run, const QDateTime& written) {
    const QString notGiven = SummaryPage::tr("not given");
    Table t("table-run", {SummaryPage::tr("What"), SummaryPage::tr("Value")}, {1});
    t.add({SummaryPage::tr("Input files"), run.inputs.isEmpty() ? notGiven : run.inputs.join("\n")});
    t.add({SummaryPage::tr("Reference database"), run.reference.isEmpty() ? notGiven : run.reference});
    t.add({SummaryPage::tr("Started"),
           run.started.isValid() ? HtmlText::dateTime(run.started) : notGiven});
    t.add({SummaryPage::tr("Duration"),
           run.durationSeconds >= 0 ? RunDescription::durationText(run.durationSeconds) : notGiven});
    if (!run.workflowPath.isEmpty()) {
        t.add({SummaryPage::tr("Workflow"), run.workflowPath});
    }
    t.add({SummaryPage::tr("Summary written"), HtmlText::dateTime(written)});
    QString body = t.html();

    Table files("table-files", {SummaryPage::tr("Report file"), SummaryPage::tr("Report"), SummaryPage::tr("Bytes"),
                                SummaryPage::tr("Rows")},
                {1});
    for (const ReportFileSummary& f : c.files) {
        files.add({f.path, ReportFormat::kindName(f.kind), countCell(f.bytes), countCell(f.rows)});
    }
    body += "<h3>" + esc(SummaryPage::tr("Reports read")) + "</h3>" + files.html();

    if (!run.elements.isEmpty() || !run.looseSettings.isEmpty()) {
        Table s("table-settings",
                {SummaryPage::tr("Element"), SummaryPage::tr("Type"), SummaryPage::tr("Setting"), SummaryPage::tr("Value")},
                {1, 2, 3});
        for (const ElementSettings& e : run.elements) {
            if (e.attributes.isEmpty()) {
                s.add({e.name, e.type, "", ""});
            }
            for (const auto& a : e.attributes) {
                s.add({e.name, e.type, a.first, a.second});
            }
        }
        for (const QString& l : run.looseSettings) {
            const int eq = l.indexOf('=');
            s.add({l.left(l.indexOf('.')), "", l.mid(l.indexOf('.') + 1, eq - l.indexOf('.') - 1), l.mid(eq + 1)});
        }
        body += "<h3>" + esc(SummaryPage::tr("Element settings")) + "</h3>" + s.html();
    }
    if (!run.failures.isEmpty()) {
        body += failuresBlock(run.failures);
    }
    if (run.isEmpty()) {
        body += "<p class=\"note\">" +
                esc(SummaryPage::tr("The run was not described: nolix-report-summary takes it from --input, "
                                    "--reference, --started, --duration, --workflow and --set.")) +
                "</p>";
    }
    return section("run", SummaryPage::tr("The run"), QString(), body);
}

QString countsSection(const SummaryCounts& c) {
    Table t("table-reports", {SummaryPage::tr("Report"), SummaryPage::tr("Rows"), SummaryPage::tr("Variations"),
                              SummaryPage::tr("Genes")});
    t.add({SummaryPage::tr("In-gene"), countCell(c.inGeneRows), countCell(c.inGeneVariations), countCell(c.inGeneGenes)});
    t.add({SummaryPage::tr("Regulatory"), countCell(c.regulatoryRows), countCell(c.regulatoryVariations),
           countCell(c.regulatoryGenes)});
    t.total({SummaryPage::tr("Both"), countCell(c.inGeneRows + c.regulatoryRows), countCell(c.variations), ""});

    SvgChart chart(SummaryPage::tr("Rows and variations per report"),
                   {{SummaryPage::tr("rows"), BLUE}});
    chart.addBar(SummaryPage::tr("In-gene rows"), {double(c.inGeneRows)}, BLUE);
    chart.addBar(SummaryPage::tr("In-gene variations"), {double(c.inGeneVariations)}, SKY);
    chart.addBar(SummaryPage::tr("Regulatory rows"), {double(c.regulatoryRows)}, GREEN);
    chart.addBar(SummaryPage::tr("Regulatory variations"), {double(c.regulatoryVariations)}, "#7fcdb5");

    Table types("table-types", {SummaryPage::tr("Variation type"), SummaryPage::tr("Variations"), SummaryPage::tr("Share")});
    SvgChart typeChart(SummaryPage::tr("Variations by type"), {{SummaryPage::tr("variations"), BLUE}});
    const QStringList typeColors{BLUE, ORANGE, GREEN, RED};
    for (VariationType v : ReportCellClasses::variationTypes()) {
        const qint64 n = c.variationTypes[int(v)];
        types.add({ReportCellClasses::variationTypeName(v), countCell(n), HtmlText::percent(n, c.variations)},
                  typeColors[int(v)]);
        typeChart.addBar(ReportCellClasses::variationTypeName(v), {double(n)}, typeColors[int(v)]);
    }
    types.total({SummaryPage::tr("All"), countCell(c.variations), HtmlText::percent(c.variations, c.variations)});

    const QString note = SummaryPage::tr(
        "A row is one line of a report: one variation in one transcript (in-gene) or in the promoter of one "
        "transcript (regulatory). A variation is one Chr, Position and Allele, counted once however many rows "
        "it has. Genes are the distinct Gene and Promoter_of_Gene cells. Variations that lie neither in a gene "
        "nor in a promoter are in no report and so not counted. Types by allele lengths: equal single bases, "
        "equal longer stretches, a longer or a shorter observed allele.");
    return section("counts", SummaryPage::tr("Reports, rows and variations"), note,
                   block(chart.horizontal(), t.html()) + "<h3>" + esc(SummaryPage::tr("Variation types")) + "</h3>" +
                       block(typeChart.horizontal(), types.html()));
}

QString chromosomeSection(const SummaryCounts& c) {
    if (c.chromosomes.isEmpty()) {
        return section("chromosomes", SummaryPage::tr("Variations by chromosome"), QString(),
                       "<p class=\"empty\">" + esc(SummaryPage::tr("Both reports have no rows.")) + "</p>");
    }
    SvgChart chart(SummaryPage::tr("Variations by chromosome"),
                   {{SummaryPage::tr("in-gene"), BLUE}, {SummaryPage::tr("regulatory"), GREEN}});
    Table t("table-chromosomes", {SummaryPage::tr("Chromosome"), SummaryPage::tr("In-gene variations"),
                                  SummaryPage::tr("Regulatory variations"), SummaryPage::tr("Variations"),
                                  SummaryPage::tr("In-gene rows"), SummaryPage::tr("Regulatory rows")});
    for (const ChromosomeCounts& chr : c.chromosomes) {
        chart.addBar(chr.name, {double(chr.inGeneVariations), double(chr.regulatoryVariations)});
        t.add({chr.name, countCell(chr.inGeneVariations), countCell(chr.regulatoryVariations), countCell(chr.variations),
               countCell(chr.inGeneRows), countCell(chr.regulatoryRows)});
    }
    t.total({SummaryPage::tr("All"), countCell(c.inGeneVariations), countCell(c.regulatoryVariations),
             countCell(c.variations), countCell(c.inGeneRows), countCell(c.regulatoryRows)});
    return section("chromosomes", SummaryPage::tr("Variations by chromosome"),
                   SummaryPage::tr("Distinct variations of each report by the Chr cell; a bar stacks the in-gene "
                                   "and the regulatory variations."),
                   block(chart.horizontal(), t.html()));
}

QString locationSection(const SummaryCounts& c) {
    const QString title = SummaryPage::tr("Location in the transcript");
    if (c.inGeneRows == 0) {
        return section("locations", title, QString(), emptyNote(ReportKind::InGene));
    }
    SvgChart chart(SummaryPage::tr("In-gene rows by location class"), {{SummaryPage::tr("rows"), BLUE}});
    Table t("table-locations", {SummaryPage::tr("Location class"), SummaryPage::tr("Rows"), SummaryPage::tr("Share")});
    for (LocationClass l : ReportCellClasses::locationClasses()) {
        const qint64 n = c.locations[int(l)];
        if (l == LocationClass::Unrecognised && n == 0) {
            continue;
        }
        chart.addBar(ReportCellClasses::locationClassName(l), {double(n)}, locationColor(l));
        t.add({ReportCellClasses::locationClassName(l), countCell(n), HtmlText::percent(n, c.inGeneRows)},
              locationColor(l));
    }
    t.total({SummaryPage::tr("All in-gene rows"), countCell(c.inGeneRows), HtmlText::percent(c.inGeneRows, c.inGeneRows)});
    QString rules = "<details><summary>" + esc(SummaryPage::tr("How the Location text gives the class")) +
                    "</summary><ol>";
    for (const QString& r :
         {SummaryPage::tr("\"Out of gene\": out of gene."),
          SummaryPage::tr("\"Donor splice-site\" or \"Acceptor splice-site\" anywhere in the text (the two bases "
                          "either side of an inner exon boundary, in the exon or in the intron): splice site."),
          SummaryPage::tr("\"Non-coding exon: ...\": an exon without a coding part."),
          SummaryPage::tr("\"Non-coding part of ...-coding exon\": the untranslated part of an exon, at the 5' or "
                          "the 3' end of the gene as the text says."),
          SummaryPage::tr("\"Exon: ...\" (after \"CDS. \"): coding exon."),
          SummaryPage::tr("\"Intron...\": intron, inside or outside the coding region.")}) {
        rules += "<li>" + esc(r) + "</li>";
    }
    rules += "</ol>";
    if (!c.unrecognisedLocations.isEmpty()) {
        rules += "<p>" + esc(SummaryPage::tr("Texts of no class (first ones):")) + "</p><ul>";
        for (auto it = c.unrecognisedLocations.begin(); it != c.unrecognisedLocations.end(); ++it) {
            rules += "<li><code>" + esc(it.key()) + "</code></li>";
        }
        rules += "</ul>";
    }
    rules += "</details>";
    return section("locations", title,
                   SummaryPage::tr("In-gene rows by the class of their Location cell: where the variation lies in "
                                   "that transcript."),
                   block(chart.horizontal(), t.html() + rules));
}

QString codingSection(const SummaryCounts& c) {
    const QString title = SummaryPage::tr("Coding changes");
    if (c.inGeneRows == 0) {
        return section("coding", title, QString(), emptyNote(ReportKind::InGene));
    }
    const qint64 withChange = sum(c.codingClasses);
    SvgChart chart(SummaryPage::tr("In-gene rows by amino-acid change"), {{SummaryPage::tr("rows"), BLUE}});
    Table t("table-coding", {SummaryPage::tr("Change"), SummaryPage::tr("Rows"), SummaryPage::tr("Share")});
    for (CodingClass k : ReportCellClasses::codingClasses()) {
        const qint64 n = c.codingClasses[int(k)];
        chart.addBar(ReportCellClasses::codingClassName(k), {double(n)}, codingColor(k));
        t.add({ReportCellClasses::codingClassName(k), countCell(n), HtmlText::percent(n, withChange)}, codingColor(k));
    }
    t.total({SummaryPage::tr("Rows with a codon change"), countCell(withChange), HtmlText::percent(withChange, withChange)});
    const QString note = SummaryPage::tr(
        "In-gene rows with Codon and Substitution cells (the variation changes a codon of a protein-coding "
        "transcript), by their amino-acid change: the same letter (a kept stop codon included) is synonymous, a "
        "new stop \"*\" is nonsense, a lost stop is stop lost, any other letter missense. \"X\" stands for no "
        "amino acid: the codon is changed by more than one base. %1 of %2 in-gene rows have a codon change.")
        .arg(HtmlText::count(withChange), HtmlText::count(c.inGeneRows));
    return section("coding", title, note, block(chart.horizontal(), t.html()));
}

QString baseChangeSection(const SummaryCounts& c) {
    const QString title = SummaryPage::tr("Base changes, transitions and transversions");
    const qint64 snvs = c.transitions + c.transversions;
    if (snvs == 0) {
        return section("base-changes", title, QString(),
                       "<p class=\"empty\">" +
                           esc(SummaryPage::tr("No single-base substitution between A, C, G and T in the reports.")) +
                           "</p>");
    }
    SvgChart chart(SummaryPage::tr("Single-base substitutions by base change"), {{SummaryPage::tr("variations"), BLUE}});
    Table t("table-base-changes", {SummaryPage::tr("Change"), SummaryPage::tr("Variations"), SummaryPage::tr("Kind")}, {2});
    const QString bases("ACGT");
    for (const QChar r : bases) {
        for (const QChar a : bases) {
            if (r == a) {
                continue;
            }
            const QString change = QString(r) + '>' + a;
            const bool ts = ReportCellClasses::isTransition(r, a);
            const QString color = ts ? BLUE : ORANGE;
            const qint64 n = c.baseChanges.value(change);
            chart.addBar(change, {double(n)}, color);
            t.add({change, countCell(n), ts ? SummaryPage::tr("transition") : SummaryPage::tr("transversion")}, color);
        }
    }
    Table titv("table-titv", {SummaryPage::tr("Kind"), SummaryPage::tr("Variations"), SummaryPage::tr("Share")});
    titv.add({SummaryPage::tr("Transitions"), countCell(c.transitions), HtmlText::percent(c.transitions, snvs)}, BLUE);
    titv.add({SummaryPage::tr("Transversions"), countCell(c.transversions), HtmlText::percent(c.transversions, snvs)},
             ORANGE);
    titv.total({SummaryPage::tr("Ts/Tv"),
                c.transversions > 0 ? QString::number(double(c.transitions) / double(c.transversions), 'f', 3)
                                    : QStringLiteral("-"),
                ""});
    const QString note = SummaryPage::tr(
        "Distinct single-base substitutions of both reports by reference and observed base. Transitions (A<->G, "
        "C<->T, blue) against transversions (orange).");
    return section("base-changes", title, note, block(chart.columns(), t.html() + "<h3>" +
                                                                          esc(SummaryPage::tr("Ts/Tv")) + "</h3>" +
                                                                          titv.html()));
}

QString siftSection(const SummaryCounts& c) {
    const QString title = SummaryPage::tr("SIFT verdicts and scores");
    if (c.inGeneRows == 0) {
        return section("sift", title, QString(), emptyNote(ReportKind::InGene));
    }
    struct Verdict {
        QString cell;
        QString name;
        QString color;
    };
    const QList<Verdict> verdicts{{"Damaging", SummaryPage::tr("Damaging (score below 0.05)"), RED},
                                  {"Tolerated", SummaryPage::tr("Tolerated"), GREEN},
                                  {"Unknown", SummaryPage::tr("Unknown (no SIFT score)"), GREY},
                                  {"-", SummaryPage::tr("Not a known mutation (-)"), LIGHT}};
    SvgChart chart(SummaryPage::tr("In-gene rows by SIFT verdict"), {{SummaryPage::tr("rows"), BLUE}});
    Table t("table-sift-verdicts", {SummaryPage::tr("SIFTeffect"), SummaryPage::tr("Rows"), SummaryPage::tr("Share")});
    for (const Verdict& v : verdicts) {
        const qint64 n = c.siftVerdicts.value(v.cell);
        chart.addBar(v.name, {double(n)}, v.color);
        t.add({v.name, countCell(n), HtmlText::percent(n, c.inGeneRows)}, v.color);
    }
    t.total({SummaryPage::tr("All in-gene rows"), countCell(c.inGeneRows), HtmlText::percent(c.inGeneRows, c.inGeneRows)});

    SvgChart histogram(SummaryPage::tr("In-gene rows by SIFT score"), {{SummaryPage::tr("rows"), BLUE}});
    Table scores("table-sift-scores", {SummaryPage::tr("SIFTscore"), SummaryPage::tr("Rows")});
    const int bins = c.siftScoreBins.size();
    qint64 scored = c.siftScoresOutside;
    for (int i = 0; i < bins; ++i) {
        const double from = double(i) / bins;
        const double to = double(i + 1) / bins;
        const QString label = QString("%1-%2").arg(from, 0, 'f', 2).arg(to, 0, 'f', 2);
        const qint64 n = c.siftScoreBins[i];
        scored += n;
        histogram.addBar(label, {double(n)}, from < 0.05 ? RED : GREEN);
        scores.add({i + 1 < bins ? QString("%1 to below %2").arg(from, 0, 'f', 2).arg(to, 0, 'f', 2)
                                 : QString("%1 to %2").arg(from, 0, 'f', 2).arg(to, 0, 'f', 2),
                    countCell(n)},
                   from < 0.05 ? RED : GREEN);
    }
    if (c.siftScoresOutside > 0) {
        scores.add({SummaryPage::tr("below 0 or above 1"), countCell(c.siftScoresOutside)});
    }
    scores.total({SummaryPage::tr("Rows with a score"), countCell(scored)});
    const QString note = SummaryPage::tr(
        "The SIFTeffect and SIFTscore cells of the in-gene rows: the verdict of the known mutation at the "
        "variation (a score below 0.05 is damaging), in bins of 0.05.");
    return section("sift", title, note,
                   block(chart.horizontal(), t.html()) + "<h3>" + esc(SummaryPage::tr("Score distribution")) +
                       "</h3>" + block(histogram.columns(), scores.html()));
}

QString knownSection(const SummaryCounts& c) {
    const QString title = SummaryPage::tr("Known and novel variations");
    if (c.variations == 0) {
        return section("known", title, QString(),
                       "<p class=\"empty\">" + esc(SummaryPage::tr("Both reports have no rows.")) + "</p>");
    }
    SvgChart chart(SummaryPage::tr("Known and novel variations"),
                   {{SummaryPage::tr("known (dbSNP identifier)"), BLUE}, {SummaryPage::tr("novel"), ORANGE}});
    Table t("table-known", {SummaryPage::tr("Variations"), SummaryPage::tr("Known"), SummaryPage::tr("Novel"),
                            SummaryPage::tr("Known share")});
    const QList<QPair<QString, QVector<qint64>>> groups{{SummaryPage::tr("In-gene report"), c.knownInGene},
                                                        {SummaryPage::tr("Regulatory report"), c.knownRegulatory},
                                                        {SummaryPage::tr("Both reports"), c.knownAll}};
    for (const auto& g : groups) {
        chart.addBar(g.first, {double(g.second[1]), double(g.second[0])});
        t.add({g.first, countCell(g.second[1]), countCell(g.second[0]),
               HtmlText::percent(g.second[1], g.second[0] + g.second[1])});
    }
    return section("known", title,
                   SummaryPage::tr("A variation is known when its dbSNP cell holds an identifier (\"rs...\"), "
                                   "novel when the cell is \"-\"."),
                   block(chart.horizontal(), t.html()));
}

QString distanceSection(const SummaryCounts& c) {
    const QString title = SummaryPage::tr("Regulatory rows by distance from the transcription start");
    if (c.regulatoryRows == 0) {
        return section("distance", title, QString(), emptyNote(ReportKind::Regulatory));
    }
    SvgChart chart(SummaryPage::tr("Regulatory rows by distance from the transcription start"),
                   {{SummaryPage::tr("rows"), GREEN}});
    Table t("table-distance", {SummaryPage::tr("Bases before the start"), SummaryPage::tr("Rows"), SummaryPage::tr("Share")});
    for (int i = 0; i < c.distanceBins.size(); ++i) {
        const QString label = QString("%1-%2").arg(i * 100).arg(i * 100 + 99);
        chart.addBar(label, {double(c.distanceBins[i])});
        t.add({label, countCell(c.distanceBins[i]), HtmlText::percent(c.distanceBins[i], c.regulatoryRows)});
    }
    const QList<QPair<QString, qint64>> extra{{SummaryPage::tr("1000 or more"), c.distanceAtLeast1000},
                                              {SummaryPage::tr("negative"), c.distanceNegative},
                                              {SummaryPage::tr("unknown (-)"), c.distanceUnknown}};
    for (const auto& e : extra) {
        if (e.second > 0) {
            chart.addBar(e.first, {double(e.second)}, GREY);
            t.add({e.first, countCell(e.second), HtmlText::percent(e.second, c.regulatoryRows)});
        }
    }
    t.total({SummaryPage::tr("All regulatory rows"), countCell(c.regulatoryRows),
             HtmlText::percent(c.regulatoryRows, c.regulatoryRows)});
    return section("distance", title,
                   SummaryPage::tr("The From_transcroption_start cell (a minus sign and the distance in bases "
                                   "before the transcription start of the promoter's transcript), in bins of 100."),
                   block(chart.columns(), t.html()));
}

QString tataSection(const SummaryCounts& c) {
    const QString title = SummaryPage::tr("TATA-box changes by significance");
    if (c.regulatoryRows == 0) {
        return section("tata", title, QString(), emptyNote(ReportKind::Regulatory));
    }
    const QStringList colors{RED, ORANGE, "#f0a040", "#f3c77a", GREEN};
    SvgChart chart(SummaryPage::tr("Regulatory rows by TATA-box label"), {{SummaryPage::tr("rows"), BLUE}});
    Table t("table-tata", {SummaryPage::tr("TATATool level"), SummaryPage::tr("Rows"), SummaryPage::tr("Share")});
    const qint64 analysed = sum(c.tataLevels);
    for (TataLevel l : ReportCellClasses::tataLevels()) {
        const qint64 n = c.tataLevels[int(l)];
        const QString name = l == TataLevel::Unsignificant ? SummaryPage::tr("unsignificant")
                                                            : SummaryPage::tr("change at confidence %1")
                                                                  .arg(ReportCellClasses::tataLevelName(l));
        chart.addBar(name, {double(n)}, colors[int(l)]);
        t.add({name, countCell(n), HtmlText::percent(n, c.regulatoryRows)}, colors[int(l)]);
    }
    chart.addBar(SummaryPage::tr("not analysed (-)"), {double(c.tataNotAnalysed)}, LIGHT);
    t.add({SummaryPage::tr("not analysed (-)"), countCell(c.tataNotAnalysed),
           HtmlText::percent(c.tataNotAnalysed, c.regulatoryRows)},
          LIGHT);
    t.total({SummaryPage::tr("All regulatory rows"), countCell(c.regulatoryRows),
             HtmlText::percent(c.regulatoryRows, c.regulatoryRows)});
    const QString note = SummaryPage::tr(
        "The TATATool cell \"z/level\": how strongly the variation changes the best TATA box of the promoter, as "
        "the confidence level that z reaches (0.95, 0.99, 0.999, 0.999999) or \"unsignificant\". \"-\": the "
        "tata-box-snp element gave no answer for the row (not in the run, or the variation lies outside the "
        "TATA-box window). %1 rows have a label.")
        .arg(HtmlText::count(analysed));
    return section("tata", title, note, block(chart.horizontal(), t.html()));
}

QString answersSection(const SummaryCounts& c) {
    SvgChart chart(SummaryPage::tr("Rows with an answer of the analysis elements"),
                   {{SummaryPage::tr("with an answer"), BLUE}, {SummaryPage::tr("without (-)"), LIGHT}});
    Table t("table-answers", {SummaryPage::tr("Column"), SummaryPage::tr("Element"), SummaryPage::tr("Report"),
                              SummaryPage::tr("Rows with an answer"), SummaryPage::tr("Rows"), SummaryPage::tr("Share")},
            {1, 2});
    for (const AnswerCounts& a : c.answers) {
        const QString label = a.column + " (" + ReportFormat::kindName(a.kind) + ")";
        chart.addBar(label, {double(a.answered), double(a.rows - a.answered)});
        t.add({a.column, a.element, ReportFormat::kindName(a.kind), countCell(a.answered), countCell(a.rows),
               HtmlText::percent(a.answered, a.rows)});
    }
    QString body;
    if (c.inGeneRows == 0) {
        body += emptyNote(ReportKind::InGene);
    }
    if (c.regulatoryRows == 0) {
        body += emptyNote(ReportKind::Regulatory);
    }
    const QString note = SummaryPage::tr(
        "Cells that the analysis elements fill: protein stability (1D, 3D) and PDB sites for in-gene rows, "
        "rSNP transcription-factor sites, ChIP-seq peaks and TATA boxes for regulatory rows. \"-\" means no "
        "answer: the element was not in the run, or had nothing to say about the row.");
    return section("answers", SummaryPage::tr("Answers of the analysis elements"), note,
                   body + block(chart.horizontal(), t.html()));
}

QString genesSection(const SummaryCounts& c) {
    const QString title = SummaryPage::tr("Genes with the most damaging variations");
    if (c.inGeneRows == 0) {
        return section("genes", title, QString(), emptyNote(ReportKind::InGene));
    }
    const QString note = SummaryPage::tr(
        "A variation counts as damaging in a gene (the Gene cell) when one of its rows there is a nonsense or "
        "stop-lost change, has the SIFT verdict Damaging, or lies in a splice site; the columns after "
        "\"Damaging\" tell which (a variation can count in several). The %1 genes with the most damaging "
        "variations, of %2 with any.")
        .arg(c.damagingGenes.size())
        .arg(HtmlText::count(c.genesWithDamaging));
    if (c.damagingGenes.isEmpty()) {
        return section("genes", title, note,
                       "<p class=\"empty\">" + esc(SummaryPage::tr("No gene has a damaging variation.")) + "</p>");
    }
    SvgChart chart(SummaryPage::tr("Damaging variations per gene"), {{SummaryPage::tr("variations"), RED}});
    Table t("table-genes", {SummaryPage::tr("Gene"), SummaryPage::tr("Damaging"), SummaryPage::tr("Stop gained or lost"),
                            SummaryPage::tr("SIFT damaging"), SummaryPage::tr("Splice site"), SummaryPage::tr("Missense"),
                            SummaryPage::tr("Variations"), SummaryPage::tr("Clinical significance")},
            {7});
    for (const GeneCounts& g : c.damagingGenes) {
        chart.addBar(g.gene, {double(g.damaging)});
        t.add({g.gene, countCell(g.damaging), countCell(g.stopChanges), countCell(g.siftDamaging),
               countCell(g.spliceSites), countCell(g.missense), countCell(g.variations), g.clinicalSignificance});
    }
    return section("genes", title, note, block(chart.horizontal(), t.html()));
}

QString scoresSection(const SummaryCounts& c) {
    Table t("table-scores", {SummaryPage::tr("Column"), SummaryPage::tr("Report"), SummaryPage::tr("Rows with a value"),
                             SummaryPage::tr("Minimum"), SummaryPage::tr("Median"), SummaryPage::tr("Maximum")},
            {1});
    for (const ScoreSummary& s : c.scores) {
        const bool any = s.rows > 0;
        t.add({s.column, ReportFormat::kindName(s.kind), countCell(s.rows), any ? HtmlText::number(s.min) : "-",
               any ? HtmlText::number(s.median) : "-", any ? HtmlText::number(s.max) : "-"});
    }
    Table flags("table-region-marks", {SummaryPage::tr("Column"), SummaryPage::tr("Report"),
                                       SummaryPage::tr("Rows marked +"), SummaryPage::tr("Share")},
                {1});
    flags.add({"segmental_dupl", ReportFormat::kindName(ReportKind::InGene), countCell(c.inGeneSegmentalDupl),
               HtmlText::percent(c.inGeneSegmentalDupl, c.inGeneRows)});
    flags.add({"conserved_reg", ReportFormat::kindName(ReportKind::InGene), countCell(c.inGeneConservedReg),
               HtmlText::percent(c.inGeneConservedReg, c.inGeneRows)});
    flags.add({"segmental_dupl", ReportFormat::kindName(ReportKind::Regulatory), countCell(c.regulatorySegmentalDupl),
               HtmlText::percent(c.regulatorySegmentalDupl, c.regulatoryRows)});
    flags.add({"conserved_reg", ReportFormat::kindName(ReportKind::Regulatory), countCell(c.regulatoryConservedReg),
               HtmlText::percent(c.regulatoryConservedReg, c.regulatoryRows)});
    return section("scores", SummaryPage::tr("Scores of the known mutations"),
                   SummaryPage::tr("The score cells of both reports over the rows that have a value, and the rows "
                                   "in segmental duplications and conserved regions."),
                   "<div class=\"block\"><div>" + t.html() + "</div><div>" + flags.html() + "</div></div>");
}

}  // namespace

QString SummaryPage::build(const SummaryCounts& c, const RunDescription& run, const QDateTime& written) {
    QString page;
    page += "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"/>";
    // Nothing may be loaded from anywhere: the page holds all it shows.
    page += "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'; "
            "img-src data:\"/>";
    page += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>";
    page += "<link rel=\"icon\" href=\"data:,\"/>";
    page += "<title>" + esc(tr("Variant impact summary")) + "</title><style>" + STYLE + "</style></head><body>";

    page += "<header><h1>" + esc(tr("Variant impact summary")) + "</h1>";
    QStringList reports;
    for (const ReportFileSummary& f : c.files) {
        reports << QFileInfo(f.path).fileName();
    }
    page += "<p>" + esc(tr("From the reports %1; written %2.").arg(reports.join(", "), HtmlText::dateTime(written))) +
            "</p><nav>";
    const QList<QPair<QString, QString>> links{
        {"run", tr("Run")},           {"counts", tr("Counts")},       {"chromosomes", tr("Chromosomes")},
        {"locations", tr("Locations")}, {"coding", tr("Coding changes")}, {"base-changes", tr("Base changes")},
        {"sift", tr("SIFT")},          {"known", tr("Known/novel")},  {"distance", tr("Promoter distance")},
        {"tata", tr("TATA boxes")},    {"answers", tr("Element answers")}, {"genes", tr("Genes")},
        {"scores", tr("Scores")}};
    for (const auto& l : links) {
        page += QString("<a href=\"#%1\">%2</a>").arg(l.first, esc(l.second));
    }
    page += "</nav></header><main>";

    if (c.inGeneRows == 0 && c.regulatoryRows == 0) {
        page += "<div class=\"banner\">" +
                esc(tr("Both reports have no rows: no variation of this run lies in a gene or in a promoter.")) +
                "</div>";
    } else if (c.inGeneRows == 0 || c.regulatoryRows == 0) {
        page += "<div class=\"banner\">" +
                esc(tr("The %1 report has no rows.")
                        .arg(ReportFormat::kindName(c.inGeneRows == 0 ? ReportKind::InGene : ReportKind::Regulatory))) +
                "</div>";
    }

    const qint64 snvs = c.transitions + c.transversions;
    const QList<QPair<QString, QString>> cards{
        {HtmlText::count(c.variations), tr("variations")},
        {HtmlText::count(c.inGeneRows), tr("in-gene rows")},
        {HtmlText::count(c.regulatoryRows), tr("regulatory rows")},
        {HtmlText::count(c.inGeneGenes), tr("genes hit")},
        {HtmlText::count(sum(c.codingClasses)), tr("codon changes")},
        {HtmlText::percent(c.knownAll.value(1), c.variations), tr("known (dbSNP)")},
        {snvs > 0 && c.transversions > 0 ? QString::number(double(c.transitions) / double(c.transversions), 'f', 2)
                                         : QStringLiteral("-"),
         tr("Ts/Tv")}};
    page += "<div class=\"cards\">";
    for (const auto& card : cards) {
        page += "<div class=\"card\"><div class=\"value\">" + esc(card.first) + "</div><div class=\"label\">" +
                esc(card.second) + "</div></div>";
    }
    page += "</div>";

    page += runSection(c, run, written);
    page += countsSection(c);
    page += chromosomeSection(c);
    page += locationSection(c);
    page += codingSection(c);
    page += baseChangeSection(c);
    page += siftSection(c);
    page += knownSection(c);
    page += distanceSection(c);
    page += tataSection(c);
    page += answersSection(c);
    page += genesSection(c);
    page += scoresSection(c);
    page += "</main></body></html>\n";
    return page;
}

}  // namespace Nx
