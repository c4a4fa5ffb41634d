// The console's own "--help": lists every command-line option that the loaded plug-ins
// registered, one line each, and refuses a command line with an option no handler knows, naming
// it, so that a mistyped option never runs nothing and still succeeds. It answers whenever the
// command line does not ask for work (see CMDLineRegistry::asksForWork), so nothing else starts,
// and to an empty command line of a console program with a short usage and exit code 2.
#pragma once

#include <NxCore/cmdline/CMDLineRegistry.h>

#include <QCoreApplication>

namespace Nx {

class ConsoleHelpHandler : public CMDLineHandler {
    Q_DECLARE_TR_FUNCTIONS(Nx::ConsoleHelpHandler)
public:
    explicit ConsoleHelpHandler(const QString& programName);
    bool handles(const CMDLineRegistry& r) const override;
    // Prints the option list (null task), or a task failing with the unknown options.
    Task* createTask(CMDLineRegistry& r) override;
    QString getHelp() const override;

private:
    QString programName;
};

}  // namespace Nx
