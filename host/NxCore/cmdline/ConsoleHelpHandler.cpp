#include "ConsoleHelpHandler.h"

#include <NxCore/tasks/FailTask.h>

#include <cstdio>

namespace Nx {

ConsoleHelpHandler::ConsoleHelpHandler(const QString& programName)
    : CMDLineHandler(CMDLineRegistry::HELP_PARAMETER), programName(programName) {}

bool ConsoleHelpHandler::handles(const CMDLineRegistry& r) const {
    return !r.asksForWork();
}

Task* ConsoleHelpHandler::createTask(CMDLineRegistry& r) {
    const QStringList unknown = r.getUnknownParameters();
    if (!unknown.isEmpty()) {
        return new FailTask(tr("Unknown command-line option%1 --%2; %3 --help lists the options")
                                .arg(unknown.size() > 1 ? "s" : "", unknown.join(", --"), programName));
    }
    const QString text = tr("Usage: %1 [OPTION ...]\nOptions of the loaded plug-ins:\n").arg(programName) + r.getHelpText();
    fputs(text.toLocal8Bit().constData(), stdout);
    fflush(stdout);
    return nullptr;
}

QString ConsoleHelpHandler::getHelp() const {
    return tr("--help  list the command-line options and exit");
}

}  // namespace Nx
