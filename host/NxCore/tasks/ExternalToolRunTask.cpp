#include "ExternalToolRunTask.h"

#include <NxCore/log/Logger.h>

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
    process.start(programPath, arguments);
    if (!process.waitForStarted(30000)) {
        setError(tr("Cannot start external tool '%1' (%2): %3")
                     .arg(toolName, programPath, process.errorString()));
        return;
    }
    auto drain = [&] {
        QByteArray out = process.readAllStandardOutput();
        if (!out.isEmpty() && logParser != nullptr) {
            logParser->parseOutput(QString::fromLocal8Bit(out));
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
        drain();
        if (isCanceled()) {
            process.kill();
            process.waitForFinished(5000);
            return;
        }
        if (process.state() == QProcess::NotRunning) {
            break;
        }
    }
    drain();
    QString tail = logParser ? logParser->getErrorTail() : QString();
    QString details = tail.isEmpty() ? QString() : ":\n" + tail;
    if (process.exitStatus() == QProcess::CrashExit) {
        setError(tr("External tool '%1' crashed%2").arg(toolName, details));
        return;
    }
    exitCode = process.exitCode();
    if (exitCode != 0) {
        setError(tr("External tool '%1' exited with code %2%3").arg(toolName).arg(exitCode).arg(details));
        return;
    }
    if (logParser != nullptr && !logParser->getLastError().isEmpty()) {
        setError(tr("External tool '%1' reported an error: %2").arg(toolName, logParser->getLastError()));
    }
}

}  // namespace Nx
