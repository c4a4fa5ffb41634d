// Runs an external program as a real process on the task's pool thread and feeds what it
// prints to a log parser, chunk by chunk as it arrives, each chunk ending at a line end. The
// tool name is a path or a program found through PATH; "python" means the Python 3 interpreter
// (python3 first, resolved once to the interpreter it leads to, so that a version manager's
// shim is not started for every run); a Python script with a main(argv) is run from a
// pre-started interpreter (PythonScriptServer), with the same arguments, working folder, output
// and exit code as a process of its own.
//
// Every run gets an empty standard input and a process group of its own, which is killed when
// the run ends (nothing it started outlives it) and when this program ends, however it ends.
// The task fails, with the tool's name and how it ended, when the program is missing, cannot
// start, is killed, exits non-zero, runs past its time limit or prints more than the output
// limit. Canceling the task kills the run.
#pragma once

#include <NxCore/tasks/ExternalToolLogParser.h>
#include <NxCore/tasks/Task.h>

#include <QStringList>

namespace Nx {

class ExternalToolRunTask : public Task {
    Q_OBJECT
public:
    static const qint64 DEFAULT_OUTPUT_LIMIT = 8 << 20;  // bytes of standard output
    static const qint64 ERROR_KEPT = 64 << 10;           // bytes of standard error passed on

    // The parser is not owned and must outlive the task (null: output is dropped).
    ExternalToolRunTask(const QString& toolName, const QStringList& arguments,
                        ExternalToolLogParser* logParser, const QString& workingDirectory = QString(),
                        const QStringList& additionalPaths = QStringList());

    void prepare() override;
    void run() override;

    // The program that will be started: a full path, or empty when the tool cannot be found.
    static QString resolveTool(const QString& toolName, const QStringList& additionalPaths = QStringList());

    // 0 (the default): no limit.
    void setTimeLimitMs(int ms) { timeLimitMs = ms; }
    void setOutputLimit(qint64 bytes) { outputLimit = bytes; }

    const QString& getProgramPath() const { return programPath; }
    const QStringList& getArguments() const { return arguments; }
    int getExitCode() const { return exitCode; }
    // How the run ended, for the user: "exited with code 1", "was killed by signal 9",
    // "timed out after 60 s", ...; empty until it ended.
    const QString& getEndDescription() const { return endDescription; }

private:
    // The task's error from how the program ended (standard error already parsed).
    void checkExit(bool crashed, int signalNumber, int code, bool timedOut, bool overflow);

    QString toolName;                 // as the caller named it
    QStringList arguments;
    ExternalToolLogParser* logParser; // not owned
    QString workingDirectory;         // empty: the current one
    QStringList additionalPaths;      // searched before PATH, and prepended to the tool's PATH
    QString programPath;              // resolved in prepare()
    int timeLimitMs = 0;
    qint64 outputLimit = DEFAULT_OUTPUT_LIMIT;
    int exitCode = -1;
    QString endDescription;
};

}  // namespace Nx
