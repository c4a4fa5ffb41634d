// The console with request elements whose script misbehaves, as a user would meet it: a script
// that fails for some variations still gives both reports, the failures are counted and named and
// the run exits with its own code; a console ended by SIGKILL, SIGTERM or SIGINT while a script
// hangs leaves no script, and nothing the script started, behind.
#include "ConsoleRun.h"

#include <NxCore/core/ProcessAlive.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

using namespace Nx;

namespace {

class RequestFailuresConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QString out;
        ASSERT_TRUE(ConsoleRun::makeDemoWithReference(dir.path(), "1", {}, out)) << out.toStdString();
        ASSERT_TRUE(QDir(dir.path()).mkpath("data/snp_scripts"));
        env = QProcessEnvironment::systemEnvironment();
        env.insert("NX_DATA_DIR", dir.filePath("data"));
        env.insert("NX_PLUGIN_DIR", QString(NX_BINARY_DIR) + "/plugins");
        // The stand-in script needs none, but the run checks the element's data before it starts.
        env.insert("NX_AAINDEX_DIR", QString(NX_SOURCE_DIR) + "/data/snp_scripts/data/aaindex");
    }

    void writeScript(const QByteArray& body) {
        QFile f(dir.filePath("data/snp_scripts/protstability1d.py"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(body);
    }

    QString writeWorkflow() {
        const QString db = dir.filePath("reference.s3db");
        const QString path = dir.filePath("flow.json");
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(QString(R"({
  "elements": [
    {"name": "read", "type": "read-variations", "attributes": {"url-in": "%1"}},
    {"name": "annotate", "type": "VOZAdarova-id", "attributes": {"db_path": "%2"}},
    {"name": "stability1d", "type": "prot-stability-1d", "attributes": {"db_path": "%2"}},
    {"name": "report", "type": "snp-report-writer-id", "attributes": {"db_path": "%2",
      "report_path": "%3", "regulatory_report_path": "%4"}}
  ],
  "links": [{"from": "read", "to": "annotate"}, {"from": "annotate", "to": "stability1d"},
            {"from": "stability1d", "to": "report"}]
})")
                    .arg(dir.filePath("variants.vcf"), db, dir.filePath("in_gene.tsv"), dir.filePath("regulatory.tsv"))
                    .toUtf8());
        return path;
    }

    QTemporaryDir dir;
    QProcessEnvironment env;
};

}  // namespace

TEST_F(RequestFailuresConsoleTest, FailedRequestsAreCountedNamedAndEndTheRunWithItsOwnCode) {
    // Fails for every position divisible by 3, answers the others.
    writeScript("import sys\n"
                "def main(argv):\n"
                "    pos = int(argv[argv.index('-p') + 1])\n"
                "    if pos % 3 == 0:\n"
                "        print('cannot score position %d' % pos, file=sys.stderr)\n"
                "        return 4\n"
                "    print('STABILITY_1D:%d' % pos)\n"
                "    return 0\n"
                "if __name__ == '__main__':\n"
                "    sys.exit(main(sys.argv[1:]))\n");
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QString(NX_BINARY_DIR) + "/bin/resource_probe", {"--workflow=" + writeWorkflow()});
    ASSERT_TRUE(p.waitForFinished(300000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 3) << err.toStdString();
    const QRegularExpression summary("(\\d+) of (\\d+) requests failed");
    const QRegularExpressionMatch m = summary.match(err);
    ASSERT_TRUE(m.hasMatch()) << err.toStdString();
    const int failed = m.captured(1).toInt();
    const int total = m.captured(2).toInt();
    EXPECT_GT(failed, 0);
    EXPECT_LT(failed, total);
    // Each failure is logged once, with the element, the variation and the script's first words.
    EXPECT_EQ(err.count("the request for"), failed) << err.toStdString();
    EXPECT_TRUE(err.contains("exited with code 4: cannot score position")) << err.toStdString();
    // The other answers reached the in-gene report, and both reports were written.
    QFile inGene(dir.filePath("in_gene.tsv"));
    ASSERT_TRUE(inGene.open(QIODevice::ReadOnly));
    const QByteArray report = inGene.readAll();
    EXPECT_TRUE(report.startsWith("#Chr\t"));
    int answered = 0;
    for (const QByteArray& line : report.split('\n')) {
        const QList<QByteArray> cells = line.split('\t');
        answered += cells.size() == 25 && cells[12] != "-" && cells[12].toInt() % 3 != 0 ? 1 : 0;
    }
    EXPECT_GT(answered, 0);
    EXPECT_GT(QFileInfo(dir.filePath("regulatory.tsv")).size(), 0);

    // The failures travel with the reports, for the summary page.
    QFile listed(dir.filePath("in_gene.failed_requests.tsv"));
    ASSERT_TRUE(listed.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = listed.readAll().split('\n');
    EXPECT_EQ(lines.first(), QString("## %1 of %2 requests failed").arg(failed).arg(total).toLatin1());
    EXPECT_EQ(lines.size() - 3, failed);  // two header lines and the final line end
    listed.close();
    QString out;
    ASSERT_TRUE(ConsoleRun::runTool("nolix-report-summary",
                                    {"--in-gene", dir.filePath("in_gene.tsv"), "--regulatory", dir.filePath("regulatory.tsv"),
                                     "--failed-requests", listed.fileName(), "--out", dir.filePath("summary.html")},
                                    out))
        << out.toStdString();
    QFile page(dir.filePath("summary.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QLocale english(QLocale::English, QLocale::UnitedStates);  // the page's way with numbers
    EXPECT_TRUE(page.readAll().contains(
        QString("%1 of %2 requests failed").arg(english.toString(failed), english.toString(qint64(total))).toUtf8()));

    // A later run without failures takes the list of the earlier one away.
    writeScript("import sys\ndef main(argv):\n    print('STABILITY_1D:1')\n    return 0\n");
    QProcess again;
    again.setProcessEnvironment(env);
    again.start(QString(NX_BINARY_DIR) + "/bin/resource_probe", {"--workflow=" + writeWorkflow()});
    ASSERT_TRUE(again.waitForFinished(300000));
    EXPECT_EQ(again.exitCode(), 0) << again.readAllStandardError().toStdString();
    EXPECT_FALSE(QFile::exists(listed.fileName()));
}

TEST_F(RequestFailuresConsoleTest, AConsoleEndedBySignalWhileAScriptHangsLeavesNoProcessBehind) {
    // Every request records its pid and that of a process it starts, then hangs; also with runs
    // that share one child of the pre-started interpreter.
    const QByteArray body = "import os, subprocess, sys, time\n"
                            "def main(argv):\n"
                            "    p = subprocess.Popen([sys.executable, '-c', 'import time; time.sleep(300)'])\n"
                            "    with open(os.path.join(os.environ['NX_TEST_PIDS'], str(os.getpid())), 'w') as f:\n"
                            "        f.write('%d %d' % (os.getpid(), p.pid))\n"
                            "    time.sleep(300)\n"
                            "if __name__ == '__main__':\n"
                            "    sys.exit(main(sys.argv[1:]))\n";
    struct Ending {
        const char* server;
        int signal;
        bool sharedChild;
    };
    const QList<Ending> endings{{"1", SIGKILL, false}, {"0", SIGKILL, false}, {"1", SIGTERM, false},
                                {"0", SIGINT, false},  {"1", SIGKILL, true},  {"1", SIGTERM, true}};
    for (const Ending& ending : endings) {
        const char* server = ending.server;
        SCOPED_TRACE(std::string("NX_PYTHON_SERVER=") + server + ", signal " + std::to_string(ending.signal) +
                     (ending.sharedChild ? ", independent runs" : ""));
        writeScript(QByteArray(ending.sharedChild ? "NX_INDEPENDENT_RUNS = True\n" : "") + body);
        const QString pids = dir.filePath(QString("pids-%1-%2-%3").arg(server).arg(ending.signal).arg(ending.sharedChild));
        ASSERT_TRUE(QDir().mkpath(pids));
        QProcessEnvironment e = env;
        e.insert("NX_TEST_PIDS", pids);
        e.insert("NX_PYTHON_SERVER", server);
        QProcess p;
        p.setProcessEnvironment(e);
        p.start(QString(NX_BINARY_DIR) + "/bin/resource_probe", {"--workflow=" + writeWorkflow()});
        ASSERT_TRUE(p.waitForStarted());
        QElapsedTimer timer;
        timer.start();
        while (QDir(pids).entryList(QDir::Files).size() < 1 && timer.elapsed() < 120000) {
            QThread::msleep(50);
        }
        QThread::msleep(300);  // let the other requests of the window start too
        ASSERT_FALSE(QDir(pids).entryList(QDir::Files).isEmpty()) << "no script started";
        ::kill(pid_t(p.processId()), ending.signal);
        p.waitForFinished(10000);
        QList<qint64> started;
        for (const QString& name : QDir(pids).entryList(QDir::Files)) {
            QFile f(QDir(pids).filePath(name));
            f.open(QIODevice::ReadOnly);
            for (const QByteArray& pid : f.readAll().split(' ')) {
                started << pid.toLongLong();
            }
        }
        timer.restart();
        auto anyAlive = [&] {
            for (qint64 pid : started) {
                if (isProcessAlive(pid)) {
                    return true;
                }
            }
            return false;
        };
        while (anyAlive() && timer.elapsed() < 10000) {
            QThread::msleep(50);
        }
        EXPECT_FALSE(anyAlive()) << "a script or a process it started outlived the ended console";
    }
}
