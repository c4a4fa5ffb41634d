#include "ConsoleHelpHandler.h"

#include <NxCore/tasks/FailTask.h>

#include <cstdio>

namespace Nx {

ConsoleHelpHandler::ConsoleHelpHandler(const QString& programName)
    : CMDLineHandler(CMDLineRegistry::HELP_PARAMETER), programName(programName) {}

bool ConsoleHelpHandler::handles(const CMDLineRegistry& r) const {
    if (r.isEmptyCommandLine()) {
        return !r.takesFileArguments();
    }
    // A plain --version is the version handler's; with --help or a typo this one answers.
    const bool onlyVersion = r.hasParameter(CMDLineRegistry::VERSION_PARAMETER) &&
                             !r.hasParameter(CMDLineRegistry::HELP_PARAMETER) && r.getUnknownParameters().isEmpty() &&
                             r.getStrayArguments().isEmpty();
    return !r.asksForWork() && !onlyVersion;
}

Task* ConsoleHelpHandler::createTask(CMDLineRegistry& r) {
    const QStringList unknown = r.getUnknownParameters();
    if (!unknown.isEmpty()) {
        return new FailTask(tr("Unknown command-line option%1 --%2; %3 --help lists the options")
                                .arg(unknown.size() > 1 ? "s" : "", unknown.join(", --"), programName));
    }
    const QStringList stray = r.getStrayArguments();
    if (!stray.isEmpty()) {
        return new FailTask(tr("Unexpected argument%1 '%2': %3 takes options only (a workflow file is given as "
                               "--workflow=FILE); %3 --help lists the options")
                                .arg(stray.size() > 1 ? "s" : "", stray.join("', '"), programName));
    }
    if (r.isEmptyCommandLine()) {
        // Nothing asked for: a short pointer to the options on standard error, exit code 2.
        const QString usage = tr("Usage: %1 --workflow=FILE [--set NAME.ATTRIBUTE=VALUE ...]\n"
                                 "       %1 --test-suite=PATH [--test-env NAME=VALUE ...]\n"
                                 "%1 --help lists every option of the loaded plug-ins.\n")
                                  .arg(programName);
        fputs(usage.toLocal8Bit().constData(), stderr);
        fflush(stderr);
        r.setRequestedExitCode(2);
        return nullptr;
    }
    const QString text = tr("Usage: %1 [OPTION ...]\nOptions of the loaded plug-ins:\n").arg(programName) + r.getHelpText();
    fputs(text.toLocal8Bit().constData(), stdout);
    fflush(stdout);
    return nullptr;
}

QString ConsoleHelpHandler::getHelp() const {
    return tr("--help, -h  list the command-line options and exit");
}

}  // namespace Nx
