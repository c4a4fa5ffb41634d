// Real processes: output reaches the parser, and a missing tool, a non-zero exit, a crash and a
// cancel each end the task the way users must see it.
#include "QtTestEnvironment.h"

#include <NxCore/tasks/ExternalToolRunTask.h>
#include <NxPrivate/tasks/TaskRunner.h>

#include <QFileInfo>
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

}  // namespace Nx
