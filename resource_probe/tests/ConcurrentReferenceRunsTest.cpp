// Four real annotation runs on one reference database at the same time, while another process
// holds a write lock on that reference. The runs only read it, so none of them may wait for the
// lock: all four finish in time, with the same reports, and the reference stays untouched. A run
// that took a write lock (BEGIN IMMEDIATE) would wait for its busy timeout here.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

bool runTool(const QString& name, const QStringList& args, QString& output) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QString(NX_BINARY_DIR) + "/bin/" + name, args);
    if (!p.waitForFinished(240000)) {
        p.kill();
        p.waitForFinished();
        output = name + " did not finish";
        return false;
    }
    output = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QByteArray fileHash(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray();
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return h.result();
}

QByteArray fileText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(ConcurrentReferenceRunsTest, FourRunsOnOneReferenceOverlapWhileAnotherProcessHoldsItsWriteLock) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d = dir.path();
    QString out;
    ASSERT_TRUE(runTool("nolix-demo-data", {"--out-dir", d, "--seed", "3", "--variants", "3000"}, out)) << out.toStdString();
    const QString ref = d + "/reference.s3db";
    ASSERT_TRUE(runTool("nolix-refdb", {"--quiet", "--out", ref, "--fasta", d + "/genome.fa", "--genes", d + "/genes.gff3",
                                        "--known-mutations", d + "/known_mutations.vcf", "--matrices", d + "/matrices.tsv",
                                        "--gene-info", d + "/gene_info.tsv", "--segmental-duplications", d + "/sd.bed",
                                        "--conserved-regions", d + "/cr.bed"},
                        out))
        << out.toStdString();
    const QByteArray refHashBefore = fileHash(ref);

    // Another process's writer: a RESERVED lock, which readers may share but a second writer may not.
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(ref).constData(), &holder, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> holderGuard(holder, sqlite3_close);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

    const int runs = 4;
    std::vector<std::unique_ptr<QProcess>> procs;
    QVector<qint64> started(runs), ended(runs, -1);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NX_CRASH_DIR", d + "/crash");
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < runs; ++i) {
        const QString n = QString::number(i);
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::MergedChannels);
        p->start(QString(NX_BINARY_DIR) + "/bin/resource_probe",
                 {"--workflow=" + QString(NX_SOURCE_DIR) + "/data/workflows/annotate_demo.json", "--set",
                  "read.url-in=" + d + "/variants.vcf", "--set", "annotate.db_path=" + ref, "--set",
                  "report.db_path=" + ref, "--set", "report.report_path=" + d + "/in_gene" + n + ".tsv", "--set",
                  "report.regulatory_report_path=" + d + "/regulatory" + n + ".tsv",
                  "--session-db=" + d + "/session" + n + ".s3db"});
        ASSERT_TRUE(p->waitForStarted());
        started[i] = clock.elapsed();
        procs.push_back(std::move(p));
    }
    // Far below the runs' busy timeout: a run blocked on the lock does not get out in time.
    const qint64 limitMs = 150000;
    for (int i = 0; i < runs; ++i) {
        const qint64 left = qMax<qint64>(1, limitMs - clock.elapsed());
        if (procs[i]->waitForFinished(static_cast<int>(left))) ended[i] = clock.elapsed();
    }
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    for (int i = 0; i < runs; ++i) {
        if (ended[i] < 0) {
            procs[i]->kill();
            procs[i]->waitForFinished();
        }
    }
    for (int i = 0; i < runs; ++i) {
        const QString log = QString::fromLocal8Bit(procs[i]->readAll());
        ASSERT_GE(ended[i], 0) << "run " << i << " still waiting after " << limitMs << " ms:\n" << log.toStdString();
        ASSERT_EQ(procs[i]->exitStatus(), QProcess::NormalExit) << log.toStdString();
        ASSERT_EQ(procs[i]->exitCode(), 0) << log.toStdString();
    }
    // Timestamps: every run was alive while every other one was, and all ended with the lock held.
    EXPECT_LT(*std::max_element(started.begin(), started.end()), *std::min_element(ended.begin(), ended.end()));

    const QByteArray inGene = fileText(d + "/in_gene0.tsv"), regulatory = fileText(d + "/regulatory0.tsv");
    EXPECT_GT(inGene.count('\n'), 10);
    for (int i = 1; i < runs; ++i) {
        EXPECT_EQ(fileText(d + QString("/in_gene%1.tsv").arg(i)), inGene) << "run " << i;
        EXPECT_EQ(fileText(d + QString("/regulatory%1.tsv").arg(i)), regulatory) << "run " << i;
    }
    EXPECT_EQ(fileHash(ref), refHashBefore);
}
