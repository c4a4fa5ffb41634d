// Real processes: output reaches the parser, and a missing tool, a non-zero exit, a crash and a
// cancel each end the task the way users must see it. Hostile scripts (hanging, reading standard
// input, leaving a process behind, printing too much) behave the same whether they are started as
// a process of their own or served by a pre-started interpreter.
#include "QtTestEnvironment.h"

#include <NxCore/core/ProcessAlive.h>
#include <NxCore/tasks/ExternalToolRunTask.h>
#include <NxPrivate/tasks/TaskRunner.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <csignal>
#include <QMap>
#include <QThread>

namespace Nx {

namespace {

class KeyValueParser : public ExternalToolLogParser {
public:
    void parseOutputChunk(const QString& chunk) override {
        ExternalToolLogParser::parseOutputChunk(chunk);
        for (const QString& l : lastPartOfLog) {
            int c = l.indexOf(':');
            if (c > 0) values[l.left(c)] = l.mid(c + 1).trimmed();
        }
    }
    QMap<QString, QString> values;
};

}  // namespace

using ExternalToolRunTaskTest = SchedulerFixture;

TEST_F(ExternalToolRunTaskTest, PythonResolvesToAnInterpreterAndOutputReachesTheParser) {
    QString py = ExternalToolRunTask::resolveTool("python");
    ASSERT_FALSE(py.isEmpty());
    EXPECT_TRUE(QFileInfo(py).isExecutable());
    KeyValueParser parser;
    auto* t = new ExternalToolRunTask("python", {"-c", "print('PRESENT: yes'); print('STABILITY_1D: -0.5')"}, &parser);
    ASSERT_TRUE(TaskRunner::runAndWait(t));
    EXPECT_FALSE(t->hasError()) << t->getError().toStdString();
    EXPECT_EQ(parser.values.value("PRESENT"), "yes");
    EXPECT_EQ(parser.values.value("STABILITY_1D"), "-0.5");
    EXPECT_EQ(t->getExitCode(), 0);
    delete t;
}

TEST_F(ExternalToolRunTaskTest, FailuresNameTheToolAndTheReason) {
    KeyValueParser parser;
    auto* missing = new ExternalToolRunTask("nx-no-such-tool-anywhere", {}, &parser);
    ASSERT_TRUE(TaskRunner::runAndWait(missing));
    EXPECT_TRUE(missing->getError().contains("nx-no-such-tool-anywhere")) << missing->getError().toStdString();
    EXPECT_TRUE(missing->getError().contains("not found"));
    delete missing;

    auto* exitCode = new ExternalToolRunTask(
        "python", {"-c", "import sys; sys.stderr.write('no such database\\n'); sys.exit(3)"}, &parser);
    ASSERT_TRUE(TaskRunner::runAndWait(exitCode));
    EXPECT_TRUE(exitCode->getError().contains("exited with code 3")) << exitCode->getError().toStdString();
    EXPECT_TRUE(exitCode->getError().contains("no such database"));
    delete exitCode;

    auto* crash = new ExternalToolRunTask("python", {"-c", "import os, signal; os.kill(os.getpid(), signal.SIGKILL)"}, &parser);
    ASSERT_TRUE(TaskRunner::runAndWait(crash));
    EXPECT_TRUE(crash->getError().contains("crashed")) << crash->getError().toStdString();
    delete crash;
}

TEST_F(ExternalToolRunTaskTest, CancelKillsTheProcess) {
    auto* t = new ExternalToolRunTask("python", {"-c", "import time; print('started', flush=True); time.sleep(60)"}, nullptr);
    t->setFlag(TaskFlag_NoAutoDelete);
    scheduler->registerTopLevelTask(t);
    ASSERT_TRUE(waitFor([&] { return t->isRunning(); }));
    QThread::msleep(200);
    scheduler->cancelTask(t);
    ASSERT_TRUE(waitFor([&] { return t->isFinished(); }, 20000)) << "the process was not killed";
    EXPECT_TRUE(t->isCanceled());
    delete t;
}

namespace {

// A script with a main() (served by a pre-started interpreter) that misbehaves as its first
// argument says: "hang" (leaving a process behind that records its pid in argv[2]), "stdin",
// "flood" (4 MiB on one line).
const char* const HOSTILE =
    "import subprocess, sys, time\n"
    "def main(argv):\n"
    "    if argv[0] == 'hang':\n"
    "        p = subprocess.Popen([sys.executable, '-c', 'import time; time.sleep(120)'])\n"
    "        open(argv[1], 'w').write(str(p.pid))\n"
    "        time.sleep(120)\n"
    "    if argv[0] == 'stdin':\n"
    "        print('READ:%r' % sys.stdin.read())\n"
    "    if argv[0] == 'flood':\n"
    "        print('KEY:' + 'x' * (4 << 20))\n"
    "    return 0\n"
    "if __name__ == '__main__':\n"
    "    sys.exit(main(sys.argv[1:]))\n";

}  // namespace

TEST_F(ExternalToolRunTaskTest, HostileScriptsEndAsTheyShouldWithAndWithoutThePreStartedInterpreter) {
    QTemporaryDir dir;
    QFile f(dir.filePath("hostile.py"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(HOSTILE);
    f.close();
    for (const char* server : {"1", "0"}) {
        SCOPED_TRACE(std::string("NX_PYTHON_SERVER=") + server);
        qputenv("NX_PYTHON_SERVER", server);
        // A hung script is killed at the time limit, with what it left behind.
        const QString pidFile = dir.filePath(QString("left-%1.pid").arg(server));
        KeyValueParser parser;
        auto* hung = new ExternalToolRunTask("python", {f.fileName(), "hang", pidFile}, &parser);
        hung->setTimeLimitMs(1500);
        ASSERT_TRUE(TaskRunner::runAndWait(hung, 30000));
        EXPECT_TRUE(hung->getError().contains("timed out after 1.5 s")) << hung->getError().toStdString();
        EXPECT_EQ(hung->getEndDescription(), "timed out after 1.5 s");
        delete hung;
        QFile pid(pidFile);
        ASSERT_TRUE(pid.open(QIODevice::ReadOnly));
        const qint64 leftPid = pid.readAll().toLongLong();
        ASSERT_GT(leftPid, 0);
        ASSERT_TRUE(waitFor([&] { return !isProcessAlive(leftPid); }, 5000)) << "a process the script started outlived it";

        // Standard input is empty, never ours.
        KeyValueParser stdinParser;
        auto* reader = new ExternalToolRunTask("python", {f.fileName(), "stdin"}, &stdinParser);
        reader->setTimeLimitMs(20000);
        ASSERT_TRUE(TaskRunner::runAndWait(reader, 30000));
        EXPECT_FALSE(reader->hasError()) << reader->getError().toStdString();
        EXPECT_EQ(stdinParser.values.value("READ"), "''");
        delete reader;

        // Output past the limit kills the run; nothing of it reaches the parser.
        KeyValueParser floodParser;
        auto* flood = new ExternalToolRunTask("python", {f.fileName(), "flood"}, &floodParser);
        flood->setOutputLimit(1 << 20);
        ASSERT_TRUE(TaskRunner::runAndWait(flood, 30000));
        EXPECT_TRUE(flood->getError().contains("more than 1048576 bytes")) << flood->getError().toStdString();
        EXPECT_FALSE(floodParser.values.contains("KEY"));
        delete flood;
    }
    qunsetenv("NX_PYTHON_SERVER");
}

}  // namespace Nx
