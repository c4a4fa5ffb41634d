// The checks a run of the full sample workflow makes before its first element: every problem of
// every element in one message, the run refused before anything was read, and nothing lost.
#include "../../tests/ConsoleRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct ProbeRun {
    int exitCode = -1;
    QString err;
};

ProbeRun probe(const QStringList& args, const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QString(NX_BINARY_DIR) + "/bin/resource_probe", args);
    ProbeRun r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

}  // namespace

TEST(SnpElementRunChecks, FullWorkflowIsRefusedWithEveryProblemBeforeTheFirstElement) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d = dir.path();
    QString out;
    ASSERT_TRUE(Nx::ConsoleRun::makeDemoWithReference(d, "1", {}, out)) << out.toStdString();
    const QString ref = d + "/reference.s3db";
    QFile empty(d + "/empty.s3db");
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    QFile plain(d + "/plain.txt");
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    ASSERT_TRUE(QDir(d).mkdir("no_peaks"));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NX_SNP_RSID_TABLE", d + "/no_such_rsids.bed");
    env.insert("NX_CHIP_PEAK_DIR", d + "/no_peaks");
    QStringList args{"--workflow=" + QString(NX_SOURCE_DIR) + "/data/workflows/full_demo.json",
                     "--set", "read.url-in=" + d + "/variants.vcf"};
    for (const QString& element : {"annotate", "stability3d", "pdbsite", "tata", "vcf"}) {
        args << "--set" << element + ".db_path=" + ref;
    }
    args << "--set" << "vcf.url-out=" + d + "/annotated.vcf.gz";
    args << "--set" << "rsnp.db_path=" + d + "/empty.s3db"
         << "--set" << "stability1d.db_path=" + d + "/missing.s3db"
         << "--set" << "report.db_path=" + d + "/empty.s3db"
         << "--set" << "report.report_path=" + d + "/plain.txt/in_gene.tsv"
         << "--set" << "report.regulatory_report_path=" + d + "/regulatory.tsv";
    const ProbeRun r = probe(args, env);
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    for (const QString& problem : QStringList{
             "The workflow was not started; found before the first element ran:",
          "  \"rsnp\", \"report\": \"db_path\" " + d + "/empty.s3db is no reference database: the file is empty, not a database",
          "  \"stability1d\": \"db_path\" " + d + "/missing.s3db is no reference database: no such file",
          "  \"chip\": rs-id table " + d + "/no_such_rsids.bed does not exist (from NX_SNP_RSID_TABLE)",
          "  \"chip\": ChIP-seq peak folder " + d + "/no_peaks holds no readable file (from NX_CHIP_PEAK_DIR)",
          "  \"report\": output file " + d + "/plain.txt/in_gene.tsv cannot be written: " + d +
              "/plain.txt is not a writable folder"}) {
        EXPECT_TRUE(r.err.contains(problem)) << problem.toStdString() << "\n" << r.err.toStdString();
    }
    EXPECT_EQ(r.err.count("\n  \""), 5) << "one line per problem:\n" << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(": started \"")) << "no element may start:\n" << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(d + "/regulatory.tsv"));
    // Nothing of the inputs was touched.
    EXPECT_EQ(QFileInfo(d + "/empty.s3db").size(), 0);
    EXPECT_TRUE(QFileInfo(d + "/plain.txt").isFile());
}

// A "db_path" given by a script may need the slots of a message: it is not checked (nor its
// script run) before the run, and the run reads it as usual.
TEST(SnpElementRunChecks, ScriptedValuesAreLeftToTheRun) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d = dir.path();
    QString out;
    ASSERT_TRUE(Nx::ConsoleRun::makeDemoWithReference(d, "1", {}, out)) << out.toStdString();
    QFile flow(d + "/flow.json");
    ASSERT_TRUE(flow.open(QIODevice::WriteOnly));
    flow.write(QString(R"({
      "elements": [
        {"name": "read", "type": "read-variations", "attributes": {"url-in": "variants.vcf"}},
        {"name": "annotate", "type": "VOZAdarova-id", "attributes": {"db_path": {"script": "typeof variation_track == 'undefined' ? 'no.s3db' : '%1'"}}},
        {"name": "report", "type": "snp-report-writer-id", "attributes": {"db_path": "%1",
          "report_path": "in_gene.tsv", "regulatory_report_path": "regulatory.tsv"}}
      ],
      "links": [{"from": "read", "to": "annotate"}, {"from": "annotate", "to": "report"}]
    })")
                   .arg(d + "/reference.s3db")
                   .toUtf8());
    flow.close();
    const ProbeRun r = probe({"--workflow=" + flow.fileName()}, QProcessEnvironment::systemEnvironment());
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_GT(QFileInfo(d + "/in_gene.tsv").size(), 0) << r.err.toStdString();
}
