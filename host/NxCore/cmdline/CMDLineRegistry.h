// The program's command line and the handlers that plug-ins register for its parameters.
// Parameters are "--name=value", "--name value" or a bare "--name" (also with one dash); a
// parameter may repeat; "-h" is "--help". After all start-up plug-ins are loaded, the plug-in
// support asks every handler whether it handles the command line and registers the task it makes.
#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QStringList>

namespace Nx {

class CMDLineRegistry;
class Task;

class CMDLineHandler {
public:
    explicit CMDLineHandler(const QString& parameterName) : name(parameterName) {}
    virtual ~CMDLineHandler() = default;

    // The parameter this handler answers to, without dashes.
    const QString& getName() const { return name; }
    // Default: the parameter is on the command line and the command line asks for work (no
    // --help, no parameter that no handler knows: then nothing must start).
    virtual bool handles(const CMDLineRegistry& r) const;
    // The top-level task that does the work, or null when the handler did its work directly
    // (or found nothing to do). The scheduler takes the task.
    virtual Task* createTask(CMDLineRegistry& r) = 0;
    // One line for a usage text.
    virtual QString getHelp() const { return QString(); }

private:
    QString name;
};

class CMDLineRegistry : public QObject {
    Q_OBJECT
public:
    // args as the program got them: the first entry is the program and is not a parameter.
    static const char* const HELP_PARAMETER;     // "help"
    static const char* const VERSION_PARAMETER;  // "version"

    explicit CMDLineRegistry(const QStringList& args, QObject* parent = nullptr);
    ~CMDLineRegistry() override;

    const QStringList& getArguments() const { return arguments; }
    bool hasParameter(const QString& name) const;
    // The first value given for the parameter (empty when absent or bare).
    QString getParameterValue(const QString& name, int startIndex = 0) const;
    // Every value given for the parameter, in order (empty values of bare uses included).
    QStringList getParameterValues(const QString& name) const;
    // Parameter names in command-line order (a repeated name appears each time).
    QStringList getOrderedParameterNames() const;
    // Arguments that belong to no parameter, such as file names.
    const QStringList& getPositionalArguments() const { return positional; }

    // Parameter names that no registered handler answers to, each once, in command-line order.
    QStringList getUnknownParameters() const;
    // True when handlers may start work: no --help, no --version and no unknown parameter.
    bool asksForWork() const;
    // No parameter and no positional argument at all.
    bool isEmptyCommandLine() const { return params.isEmpty() && positional.isEmpty(); }
    // A console program (the default) takes options only: given nothing it prints a short usage,
    // and an argument that belongs to no option is an error, so that a forgotten "--workflow="
    // never runs nothing and succeeds. A windowed one takes files and opens its window.
    bool takesFileArguments() const { return fileArguments; }
    void setTakesFileArguments(bool on) { fileArguments = on; }
    // Arguments a console program cannot use: every positional argument.
    QStringList getStrayArguments() const { return fileArguments ? QStringList() : positional; }
    // The exit code a handler asks for when no task fails (2 for a usage error); 0 by default.
    int getRequestedExitCode() const { return requestedExitCode; }
    void setRequestedExitCode(int code) { requestedExitCode = code; }
    // One line per registered handler (its getHelp(), or "--name"), in registration order.
    QString getHelpText() const;

    // Takes ownership; a second handler for the same name is refused (false) and deleted.
    bool registerCMDLineHandler(CMDLineHandler* h);
    void unregisterCMDLineHandler(CMDLineHandler* h);  // deletes it
    const QList<CMDLineHandler*>& getCMDLineHandlers() const { return handlers; }

private:
    QStringList arguments;
    QList<QPair<QString, QString>> params;  // (name, value) in order
    QStringList positional;
    QList<CMDLineHandler*> handlers;         // owned
    bool fileArguments = false;
    int requestedExitCode = 0;
};

}  // namespace Nx
