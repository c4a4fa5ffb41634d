// The console's own "--version": the program's name, the suite's release and the Qt library in
// use, on standard output.
#pragma once

#include <NxCore/cmdline/CMDLineRegistry.h>

#include <QCoreApplication>

namespace Nx {

class ConsoleVersionHandler : public CMDLineHandler {
    Q_DECLARE_TR_FUNCTIONS(Nx::ConsoleVersionHandler)
public:
    explicit ConsoleVersionHandler(const QString& programName);
    // --version without --help and without unknown options.
    bool handles(const CMDLineRegistry& r) const override;
    Task* createTask(CMDLineRegistry& r) override;  // prints; no task
    QString getHelp() const override;

    static QString versionText(const QString& programName);

private:
    QString programName;
};

}  // namespace Nx
