// The pre-started interpreter against a process of its own: for the same script and command
// line both give the same standard output, standard error and exit code, in the asked working
// folder and environment; runs do not see each other's state; scripts without main, changed
// scripts, crashes and cancels are handled.
#include <NxCore/tasks/PythonScriptServer.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

using namespace Nx;

namespace {

PythonScriptServer::Outcome serve(const QString& python, const QStringList& args, const QString& cwd,
                                  const std::function<bool()>& canceled, int timeLimitMs = 0) {
    PythonScriptServer::Request r;
    r.interpreter = python;
    r.arguments = args;
    r.workingDirectory = cwd;
    r.canceled = canceled;
    r.timeLimitMs = timeLimitMs;
    return PythonScriptServer::run(r);
}

class PythonScriptServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        python = QStandardPaths::findExecutable("python3");
        ASSERT_FALSE(python.isEmpty());
        ASSERT_TRUE(dir.isValid());
        qunsetenv("NX_PYTHON_SERVER");
    }
    void TearDown() override { PythonScriptServer::shutdown(); }

    QString write(const QString& name, const QByteArray& body) {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(body);
        return f.fileName();
    }
    // The same command line started as a process of its own.
    PythonScriptServer::Outcome process(const QStringList& args, const QString& cwd) {
        QProcess p;
        p.setWorkingDirectory(cwd);
        p.start(python, args);
        p.waitForFinished(30000);
        PythonScriptServer::Outcome o;
        o.available = true;
        o.crashed = p.exitStatus() == QProcess::CrashExit;
        o.exitCode = o.crashed ? -1 : p.exitCode();
        o.out = p.readAllStandardOutput();
        o.err = p.readAllStandardError();
        return o;
    }
    void expectSame(const QStringList& args, const QString& cwd) {
        const PythonScriptServer::Outcome served = serve(python, args, cwd, nullptr);
        const PythonScriptServer::Outcome own = process(args, cwd);
        ASSERT_TRUE(served.available);
        EXPECT_EQ(served.exitCode, own.exitCode) << args.join(' ').toStdString();
        EXPECT_EQ(served.out, own.out) << args.join(' ').toStdString();
        EXPECT_EQ(served.err, own.err) << args.join(' ').toStdString();
    }

    QString python;
    QTemporaryDir dir;
};

const QByteArray ECHO = R"PY(import json, os, sys

def main(argv):
    print("ARGS:" + json.dumps(argv))
    print("ARGV0:" + os.path.basename(sys.argv[0]))
    print("CWD:" + os.getcwd())
    print("ENV:" + os.environ.get("NX_TEST_VALUE", "-"))
    print("PATH0:" + os.path.basename(sys.path[0]))
    sys.stderr.write("note on stderr\n")
    if argv and argv[0] == "raise":
        raise ValueError("bad input " + argv[1])
    if argv and argv[0] == "exit":
        sys.exit(argv[1] if not argv[1].isdigit() else int(argv[1]))
    return int(argv[1]) if argv and argv[0] == "code" else 0

if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
)PY";

}  // namespace

TEST_F(PythonScriptServerTest, AScriptSeesWhatItWouldSeeAsAProcessOfItsOwn) {
    const QString script = write("echo.py", ECHO);
    QDir(dir.path()).mkdir("work");
    const QString work = dir.filePath("work");
    qputenv("NX_TEST_VALUE", "first");
    expectSame({script, "-s", ">seq\nMKV", "-m", "\"A 57       R -> W\"", "--empty", ""}, work);
    expectSame({script, "code", "3"}, dir.path());
    expectSame({script, "exit", "7"}, work);
    expectSame({script, "exit", "a message"}, work);
    // An uncaught exception: exit code 1 and a traceback (file paths of the two differ).
    const PythonScriptServer::Outcome raised = serve(python, {script, "raise", "x"}, work, nullptr);
    EXPECT_EQ(raised.exitCode, 1);
    EXPECT_TRUE(raised.err.contains("ValueError: bad input x")) << raised.err.constData();
    // A changed environment reaches the script.
    qputenv("NX_TEST_VALUE", "second");
    const PythonScriptServer::Outcome second = serve(python, {script}, work, nullptr);
    EXPECT_TRUE(second.out.contains("ENV:second\n")) << second.out.constData();
    qunsetenv("NX_TEST_VALUE");
}

TEST_F(PythonScriptServerTest, RunsStartFromTheFreshlyImportedScript) {
    const QString script = write("count.py", "import sys\ncount = 0\ndef main(argv):\n    global count\n    count += 1\n"
                                             "    print('COUNT:%d' % count)\n    return 0\n");
    for (int i = 0; i < 3; ++i) {
        const PythonScriptServer::Outcome o = serve(python, {script}, dir.path(), nullptr);
        ASSERT_TRUE(o.available);
        EXPECT_EQ(o.out, "COUNT:1\n");
    }
    // A new version of the script is served as written.
    QThread::msleep(20);
    write("count.py", "def main(argv):\n    print('NEW')\n    return 0\n");
    EXPECT_EQ(serve(python, {script}, dir.path(), nullptr).out, "NEW\n");
}

TEST_F(PythonScriptServerTest, ScriptsWithoutMainAndSwitchedOffRunsAreLeftToTheCaller) {
    const QString plain = write("plain.py", "print('PRESENT:yes')\n");
    EXPECT_FALSE(serve(python, {plain}, dir.path(), nullptr).available);
    const QString broken = write("broken.py", "this is not python\n");
    EXPECT_FALSE(serve(python, {broken}, dir.path(), nullptr).available);
    const QString script = write("echo.py", ECHO);
    qputenv("NX_PYTHON_SERVER", "0");
    EXPECT_FALSE(serve(python, {script}, dir.path(), nullptr).available);
    qunsetenv("NX_PYTHON_SERVER");
    EXPECT_FALSE(serve(python, {"-c", "pass"}, dir.path(), nullptr).available);
}

TEST_F(PythonScriptServerTest, CrashesAndCancelsEndTheRunNotTheServer) {
    const QString script = write("slow.py", "import os, signal, sys, time\ndef main(argv):\n"
                                            "    if argv[0] == 'crash':\n        os.kill(os.getpid(), signal.SIGKILL)\n"
                                            "    if argv[0] == 'sleep':\n        time.sleep(60)\n"
                                            "    print('OK')\n    return 0\n");
    const PythonScriptServer::Outcome crash = serve(python, {script, "crash"}, dir.path(), nullptr);
    EXPECT_TRUE(crash.available);
    EXPECT_TRUE(crash.crashed);

    std::atomic<bool> cancel{false};
    std::thread canceller([&] {
        QThread::msleep(300);
        cancel = true;
    });
    QElapsedTimer timer;
    timer.start();
    const PythonScriptServer::Outcome canceled =
        serve(python, {script, "sleep"}, dir.path(), [&] { return cancel.load(); });
    canceller.join();
    EXPECT_TRUE(canceled.crashed);
    EXPECT_LT(timer.elapsed(), 20000);
    // The same server answers the next run.
    const PythonScriptServer::Outcome next = serve(python, {script, "fine"}, dir.path(), nullptr);
    EXPECT_EQ(next.out, "OK\n");
    EXPECT_EQ(next.exitCode, 0);
}
