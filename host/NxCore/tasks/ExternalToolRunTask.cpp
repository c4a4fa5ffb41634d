#include "ExternalToolRunTask.h"

#include <NxCore/log/Logger.h>
#include <NxCore/tasks/PythonScriptServer.h>

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace Nx {

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
            return found;
        }
    }
    return QString();
}

void ExternalToolRunTask::prepare() {
    programPath = resolveTool(toolName, additionalPaths);
    if (programPath.isEmpty()) {
        setError(tr("External tool '%1' is not found (searched PATH%2)")
                     .arg(toolName, additionalPaths.isEmpty() ? QString() : " and " + additionalPaths.join(":")));
    }
}

void ExternalToolRunTask::run() {
    NX_CHECK_OP(stateInfo, );
    QProcess process;
    if (!workingDirectory.isEmpty()) {
        process.setWorkingDirectory(workingDirectory);
    }
    if (!additionalPaths.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", additionalPaths.join(":") + ":" + env.value("PATH"));
        process.setProcessEnvironment(env);
    }
    taskLog.details(QString("Launching %1 %2").arg(programPath, arguments.join(" ")));
    if (toolName == "python" && additionalPaths.isEmpty()) {
        const PythonScriptServer::Outcome o =
            PythonScriptServer::run(programPath, arguments, workingDirectory, [this] { return isCanceled(); });
        if (o.available) {
            if (logParser != nullptr) {
                if (!o.out.isEmpty()) {
                    logParser->parseOutput(QString::fromLocal8Bit(o.out));
                }
                if (!o.err.isEmpty()) {
                    logParser->parseErrOutput(QString::fromLocal8Bit(o.err));
                }
            }
            if (!isCanceled()) {
                checkExit(o.crashed, o.exitCode);
            }
            return;
        }
    }
    process.start(programPath, arguments);
    if (!process.waitForStarted(30000)) {
        setError(tr("Cannot start external tool '%1' (%2): %3")
                     .arg(toolName, programPath, process.errorString()));
        return;
    }
    // Standard output reaches the parser in whole lines: a read may end inside a line (or inside
    // a multi-byte character), and a parser that sees "KEY:val" and "ue" apart would keep a
    // wrong value. What is left after the last line feed waits for the next read or the end.
    QByteArray pendingOut;
    auto drain = [&](bool atEnd) {
        pendingOut += process.readAllStandardOutput();
        const int cut = atEnd ? pendingOut.size() : pendingOut.lastIndexOf('\n') + 1;
        if (cut > 0) {
            const QByteArray lines = pendingOut.left(cut);
            pendingOut.remove(0, cut);
            if (logParser != nullptr) {
                logParser->parseOutput(QString::fromLocal8Bit(lines));
            }
        }
        QByteArray err = process.readAllStandardError();
        if (!err.isEmpty() && logParser != nullptr) {
            logParser->parseErrOutput(QString::fromLocal8Bit(err));
        }
        if (logParser != nullptr && logParser->getProgress() >= 0) {
            stateInfo.setProgress(logParser->getProgress());
        }
    };
    while (!process.waitForFinished(100)) {
        drain(false);
        if (isCanceled()) {
            process.kill();
            process.waitForFinished(5000);
            return;
        }
        if (process.state() == QProcess::NotRunning) {
            break;
        }
    }
    drain(true);
    checkExit(process.exitStatus() == QProcess::CrashExit, process.exitCode());
}

void ExternalToolRunTask::checkExit(bool crashed, int code) {
    QString tail = logParser ? logParser->getErrorTail() : QString();
    QString details = tail.isEmpty() ? QString() : ":\n" + tail;
    if (crashed) {
        setError(tr("External tool '%1' crashed%2").arg(toolName, details));
        return;
    }
    exitCode = code;
    if (exitCode != 0) {
        setError(tr("External tool '%1' exited with code %2%3").arg(toolName).arg(exitCode).arg(details));
        return;
    }
    if (logParser != nullptr && !logParser->getLastError().isEmpty()) {
        setError(tr("External tool '%1' reported an error: %2").arg(toolName, logParser->getLastError()));
    }
}

}  // namespace Nx
