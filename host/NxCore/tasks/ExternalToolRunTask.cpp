#include "ExternalToolRunTask.h"

#include "ChildProcessGuard.h"

#include <NxCore/log/Logger.h>
#include <NxCore/tasks/PythonScriptServer.h>

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <unistd.h>

namespace Nx {

namespace {

// A process that leads a group of its own, so that the group can be killed as a whole.
class GroupLeaderProcess : public QProcess {
protected:
    void setupChildProcess() override { ::setpgid(0, 0); }
};

// The interpreter a "python3" found on PATH leads to. A version manager's shim on PATH is a
// shell script that costs a start of its own every time; asked once, it names the real one.
QString realInterpreter(const QString& found) {
    static QMutex mutex;
    static QHash<QString, QString> known;
    QMutexLocker lock(&mutex);
    auto it = known.find(found);
    if (it != known.end()) {
        return it.value();
    }
    QString real = found;
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(found, {"-c", "import sys; print(sys.executable)"});
    if (p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0) {
        const QFileInfo fi(QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed());
        if (fi.isFile() && fi.isExecutable()) {
            real = fi.absoluteFilePath();
        }
    }
    known.insert(found, real);
    return real;
}

}  // namespace

ExternalToolRunTask::ExternalToolRunTask(const QString& tool, const QStringList& args,
                                         ExternalToolLogParser* parser, const QString& workDir,
                                         const QStringList& addPaths)
    : Task(tr("Run external tool '%1'").arg(tool), TaskFlag_None),
      toolName(tool), arguments(args), logParser(parser), workingDirectory(workDir),
      additionalPaths(addPaths) {
}

QString ExternalToolRunTask::resolveTool(const QString& name, const QStringList& addPaths) {
    if (name.isEmpty()) {
        return QString();
    }
    if (name.contains('/')) {
        QFileInfo fi(name);
        return fi.isFile() && fi.isExecutable() ? fi.absoluteFilePath() : QString();
    }
    QStringList candidates{name};
    if (name == "python") {
        candidates = QStringList{"python3", "python"};
    }
    for (const QString& c : candidates) {
        QString found;
        if (!addPaths.isEmpty()) {
            found = QStandardPaths::findExecutable(c, addPaths);
        }
        if (found.isEmpty()) {
            found = QStandardPaths::findExecutable(c);
        }
        if (!found.isEmpty()) {
            return name == "python" ? realInterpreter(found) : found;
        }
    }
    return QString();
}

void ExternalToolRunTask::prepare() {
    programPath = resolveTool(toolName, additionalPaths);
    if (programPath.isEmpty()) {
        endDescription = tr("was not found");
        setError(tr("External tool '%1' is not found (searched PATH%2)")
                     .arg(toolName, additionalPaths.isEmpty() ? QString() : " and " + additionalPaths.join(":")));
    }
}

void ExternalToolRunTask::run() {
    NX_CHECK_OP(stateInfo, );
    taskLog.details(QString("Launching %1 %2").arg(programPath, arguments.join(" ")));
    if (toolName == "python" && additionalPaths.isEmpty()) {
        PythonScriptServer::Request request;
        request.interpreter = programPath;
        request.arguments = arguments;
        request.workingDirectory = workingDirectory;
        request.timeLimitMs = timeLimitMs;
        request.outputLimit = outputLimit;
        request.errorLimit = ERROR_KEPT;
        request.canceled = [this] { return isCanceled(); };
        const PythonScriptServer::Outcome o = PythonScriptServer::run(request);
        if (o.available) {
            if (logParser != nullptr) {
                if (!o.out.isEmpty() && !o.outputOverflow) {
                    logParser->parseOutput(QString::fromLocal8Bit(o.out));
                }
                if (!o.err.isEmpty()) {
                    logParser->parseErrOutput(QString::fromLocal8Bit(o.err));
                }
            }
            if (!isCanceled()) {
                checkExit(o.crashed, o.signalNumber, o.exitCode, o.timedOut, o.outputOverflow);
            }
            return;
        }
    }
    GroupLeaderProcess process;
    if (!workingDirectory.isEmpty()) {
        process.setWorkingDirectory(workingDirectory);
    }
    if (!additionalPaths.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", additionalPaths.join(":") + ":" + env.value("PATH"));
        process.setProcessEnvironment(env);
    }
    // A tool that reads its standard input gets an empty one instead of waiting for ours.
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(programPath, arguments);
    if (!process.waitForStarted(30000)) {
        endDescription = tr("could not be started");
        setError(tr("Cannot start external tool '%1' (%2): %3")
                     .arg(toolName, programPath, process.errorString()));
        return;
    }
    const pid_t group = pid_t(process.processId());
    ChildProcessGuard::watch(group);
    const QDeadlineTimer deadline = timeLimitMs > 0 ? QDeadlineTimer(timeLimitMs) : QDeadlineTimer(QDeadlineTimer::Forever);
    // Standard output reaches the parser in whole lines: a read may end inside a line (or inside
    // a multi-byte character), and a parser that sees "KEY:val" and "ue" apart would keep a
    // wrong value. What is left after the last line feed waits for the next read or the end.
    QByteArray pendingOut;
    qint64 outBytes = 0;
    qint64 errBytes = 0;
    bool overflow = false;
    bool timedOut = false;
    auto drain = [&](bool atEnd) {
        const QByteArray out = process.readAllStandardOutput();
        outBytes += out.size();
        if (outBytes > outputLimit) {
            overflow = true;
            pendingOut.clear();
        } else {
            pendingOut += out;
        }
        // Only the new bytes can hold a new line end: one long line is not scanned again and again.
        const int newLineEnd = out.lastIndexOf('\n');
        const int cut = atEnd ? pendingOut.size()
                              : (newLineEnd < 0 ? 0 : pendingOut.size() - out.size() + newLineEnd + 1);
        if (cut > 0 && !overflow) {
            const QByteArray lines = pendingOut.left(cut);
            pendingOut.remove(0, cut);
            if (logParser != nullptr) {
                logParser->parseOutput(QString::fromLocal8Bit(lines));
            }
        }
        QByteArray err = process.readAllStandardError();
        if (errBytes < ERROR_KEPT && !err.isEmpty() && logParser != nullptr) {
            err.truncate(int(qMin<qint64>(err.size(), ERROR_KEPT - errBytes)));
            logParser->parseErrOutput(QString::fromLocal8Bit(err));
        }
        errBytes += err.size();
        if (logParser != nullptr && logParser->getProgress() >= 0) {
            stateInfo.setProgress(logParser->getProgress());
        }
    };
    // waitForFinished returns as soon as the process ends; the interval only bounds how late
    // a cancel, the time limit or too much output is seen.
    while (!process.waitForFinished(50)) {
        if (process.state() == QProcess::NotRunning) {
            break;
        }
        drain(false);
        timedOut = deadline.hasExpired();
        if (isCanceled() || overflow || timedOut) {
            ::kill(-group, SIGKILL);
            process.waitForFinished(5000);
            break;
        }
    }
    // Whatever the run left behind in its group ends with it.
    ChildProcessGuard::killAndRelease(group);
    if (isCanceled()) {
        return;
    }
    drain(true);
    const bool crashed = process.exitStatus() == QProcess::CrashExit;
    // For a process killed by a signal, QProcess gives the signal as the exit code.
    checkExit(crashed, crashed ? process.exitCode() : 0, crashed ? -1 : process.exitCode(), timedOut, overflow);
}

void ExternalToolRunTask::checkExit(bool crashed, int signalNumber, int code, bool timedOut, bool overflow) {
    QString tail = logParser ? logParser->getErrorTail() : QString();
    QString details = tail.isEmpty() ? QString() : ":\n" + tail;
    exitCode = code;
    if (timedOut) {
        endDescription = tr("timed out after %1 s").arg(timeLimitMs / 1000.0);
        setError(tr("External tool '%1' %2%3").arg(toolName, endDescription, details));
        return;
    }
    if (overflow) {
        endDescription = tr("printed more than %1 bytes on standard output").arg(outputLimit);
        setError(tr("External tool '%1' %2").arg(toolName, endDescription));
        return;
    }
    if (crashed) {
        endDescription = signalNumber > 0 ? tr("was killed by signal %1").arg(signalNumber) : tr("crashed");
        setError(tr("External tool '%1' crashed%2").arg(toolName, details));
        return;
    }
    if (exitCode != 0) {
        endDescription = tr("exited with code %1").arg(exitCode);
        setError(tr("External tool '%1' exited with code %2%3").arg(toolName).arg(exitCode).arg(details));
        return;
    }
    endDescription = tr("exited with code 0");
    if (logParser != nullptr && !logParser->getLastError().isEmpty()) {
        setError(tr("External tool '%1' reported an error: %2").arg(toolName, logParser->getLastError()));
    }
}

}  // namespace Nx
