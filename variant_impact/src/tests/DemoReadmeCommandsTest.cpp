// What a new user does after the demo, as the README says it: the demo's run (the full sample
// workflow, scripts/run_demo_workflow.sh, which scripts/demo.sh runs after building) and then the
// README's XML test command, taken from the README and run as written, with only the build
// folder and the demo folder put in. Every check of the suite passes but the one that is wrong
// on purpose, and the analysis elements filled their columns.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct ShellRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ShellRun bash(const QString& command, int timeoutMs) {
    QProcess p;
    p.setWorkingDirectory(NX_SOURCE_DIR);
    p.start("bash", {"-c", command});
    ShellRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = command + " did not finish";
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

// The README's indented command line that starts with prefix.
QString readmeCommand(const QString& prefix) {
    QFile f(QString(NX_SOURCE_DIR) + "/README.md");
    if (!f.open(QIODevice::ReadOnly)) {
        return QString();
    }
    for (const QString& line : QString::fromUtf8(f.readAll()).split('\n')) {
        if (line.startsWith("    " + prefix)) {
            return line.trimmed();
        }
    }
    return QString();
}

// The cells of a column of a report, header line left out.
QStringList column(const QString& path, int index) {
    QStringList cells;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return cells;
    }
    f.readLine();
    while (!f.atEnd()) {
        cells << QString::fromLatin1(f.readLine()).chopped(1).split('\t').value(index);
    }
    return cells;
}

int answered(const QStringList& cells) {
    int n = 0;
    for (const QString& c : cells) {
        n += c != "-" && !c.isEmpty() ? 1 : 0;
    }
    return n;
}

}  // namespace

TEST(DemoReadmeCommands, TheXmlTestsOfTheReadmePassOnWhatTheDemoWrites) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString demo = dir.path();
    const ShellRun run = bash(QString("scripts/run_demo_workflow.sh %1/bin %2").arg(NX_BINARY_DIR, demo), 580000);
    ASSERT_EQ(run.exitCode, 0) << run.err.right(3000).toStdString();
    EXPECT_TRUE(run.out.contains("In-gene report:    " + demo + "/in_gene_report.tsv (")) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains(QRegularExpression("demo \\[\\d+:\\d\\d\\]: running .*full_demo.json"))) << run.err.toStdString();

    // Every analysis element answered for some rows.
    const QString inGene = demo + "/in_gene_report.tsv";
    const QString regulatory = demo + "/regulatory_report.tsv";
    EXPECT_TRUE(QFile::exists(demo + "/annotated.vcf.gz.tbi")) << "the annotated VCF and its index";
    EXPECT_GT(answered(column(inGene, 12)), 0) << "ProtStability1D";
    EXPECT_GT(answered(column(inGene, 13)), 0) << "ProtStability3D";
    EXPECT_GT(answered(column(inGene, 14)), 0) << "SNP2PDBSite";
    EXPECT_GT(answered(column(regulatory, 7)), 0) << "rSNPTools_factors";
    EXPECT_GT(answered(column(regulatory, 8)), 0) << "ChIPTools";
    EXPECT_GT(answered(column(regulatory, 9)), 0) << "TATATool";
    EXPECT_TRUE(QFile::exists(demo + "/summary.html"));

    QString command = readmeCommand("build/bin/resource_probe --test-suite=");
    ASSERT_TRUE(command.endsWith(" --test-env TEMP_DATA_DIR=demo")) << command.toStdString();
    command.replace(0, QString("build/bin/").size(), QString(NX_BINARY_DIR) + "/bin/");
    command.replace(QRegularExpression("TEMP_DATA_DIR=demo$"), "TEMP_DATA_DIR=" + demo);
    const ShellRun tests = bash(command, 120000);
    EXPECT_EQ(tests.exitCode, 1) << tests.out.toStdString();
    EXPECT_TRUE(tests.out.endsWith("\n8 passed, 1 failed\n")) << tests.out.toStdString();
    EXPECT_EQ(tests.out.count("FAIL "), 1) << tests.out.toStdString();
    EXPECT_TRUE(tests.out.contains("FAIL demo reports/deliberately wrong expectation: Values do not match. "
                                   "Current:R100G. Expected:R100A"))
        << tests.out.toStdString();

    // The annotated VCF: the README's query and the XML suite of its fields.
    QString query = readmeCommand("bcftools query ");
    ASSERT_TRUE(query.endsWith(" demo/annotated.vcf.gz")) << query.toStdString();
    query.replace(QRegularExpression(" demo/annotated.vcf.gz$"), " " + demo + "/annotated.vcf.gz");
    const ShellRun queried = bash(query, 60000);
    EXPECT_EQ(queried.exitCode, 0) << queried.err.toStdString();
    EXPECT_EQ(queried.err, "");
    EXPECT_TRUE(queried.out.contains("chr7\t7693\tG\tC\tC|NXG01|ENST90000000001|missense_variant|CGA->GGA|R100G|Tolerated|0.843|\n"))
        << queried.out.toStdString();
    const ShellRun fields = bash(QString("%1/bin/resource_probe --test-suite=data/xml_tests/demo_annotated_vcf.xml "
                                         "--test-env TEMP_DATA_DIR=%2").arg(NX_BINARY_DIR, demo), 120000);
    EXPECT_EQ(fields.exitCode, 0) << fields.out.toStdString() << fields.err.toStdString();
    EXPECT_TRUE(fields.out.endsWith("\n4 passed, 0 failed\n")) << fields.out.toStdString();
}
