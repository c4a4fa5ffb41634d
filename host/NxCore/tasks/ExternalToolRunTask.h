// Runs an external program as a real process on the task's pool thread and feeds what it
// prints to a log parser, chunk by chunk as it arrives, each chunk ending at a line end. The tool name is a path or a program found through PATH; "python"
// means the Python 3 interpreter (python3 first); a Python script with a main(argv) is run from a
// pre-started interpreter (PythonScriptServer), with the same arguments, working folder, output
// and exit code as a process of its own. The task fails, with the tool's name and its
// last error lines, when the program is missing, cannot start, crashes or exits non-zero.
// Canceling the task kills the process.
#pragma once

#include <NxCore/tasks/ExternalToolLogParser.h>
#include <NxCore/tasks/Task.h>

#include <QStringList>

namespace Nx {

class ExternalToolRunTask : public Task {
    Q_OBJECT
public:
    // The parser is not owned and must outlive the task (null: output is dropped).
    ExternalToolRunTask(const QString& toolName, const QStringList& arguments,
                        ExternalToolLogParser* logParser, const QString& workingDirectory = QString(),
                        const QStringList& additionalPaths = QStringList());

    void prepare() override;
    void run() override;

    // The program that will be started: a full path, or empty when the tool cannot be found.
    static QString resolveTool(const QString& toolName, const QStringList& additionalPaths = QStringList());

    const QString& getProgramPath() const { return programPath; }
    const QStringList& getArguments() const { return arguments; }
    int getExitCode() const { return exitCode; }

private:
    // The task's error from how the program ended (standard error already parsed).
    void checkExit(bool crashed, int code);

    QString toolName;                 // as the caller named it
    QStringList arguments;
    ExternalToolLogParser* logParser; // not owned
    QString workingDirectory;         // empty: the current one
    QStringList additionalPaths;      // searched before PATH, and prepended to the tool's PATH
    QString programPath;              // resolved in prepare()
    int exitCode = -1;
};

}  // namespace Nx
