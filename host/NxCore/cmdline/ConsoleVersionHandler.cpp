#include "ConsoleVersionHandler.h"

#include <cstdio>

#ifndef NX_VERSION
#error "NX_VERSION is set by the build"
#endif

namespace Nx {

ConsoleVersionHandler::ConsoleVersionHandler(const QString& programName)
    : CMDLineHandler(CMDLineRegistry::VERSION_PARAMETER), programName(programName) {}

bool ConsoleVersionHandler::handles(const CMDLineRegistry& r) const {
    return r.hasParameter(getName()) && !r.hasParameter(CMDLineRegistry::HELP_PARAMETER) &&
           r.getUnknownParameters().isEmpty() && r.getStrayArguments().isEmpty();
}

Task* ConsoleVersionHandler::createTask(CMDLineRegistry&) {
    fputs((versionText(programName) + "\n").toLocal8Bit().constData(), stdout);
    fflush(stdout);
    return nullptr;
}

QString ConsoleVersionHandler::getHelp() const {
    return tr("--version  print the program's version and exit");
}

QString ConsoleVersionHandler::versionText(const QString& programName) {
    return tr("%1 (Nolix variant-impact) %2, Qt %3").arg(programName, QStringLiteral(NX_VERSION), QString(qVersion()));
}

}  // namespace Nx
