#include "CMDLineRegistry.h"

#include <NxCore/cmdline/ConsoleHelpHandler.h>
#include <NxCore/cmdline/ConsoleVersionHandler.h>
#include <NxCore/log/Logger.h>

#include <QFileInfo>

namespace Nx {

bool CMDLineHandler::handles(const CMDLineRegistry& r) const {
    return r.hasParameter(name) && r.asksForWork();
}

const char* const CMDLineRegistry::HELP_PARAMETER = "help";
const char* const CMDLineRegistry::VERSION_PARAMETER = "version";

namespace {

bool isParameter(const QString& a) {
    // "-" alone and negative numbers are values, not parameters.
    if (a.size() < 2 || !a.startsWith('-')) {
        return false;
    }
    bool isNumber = false;
    a.toDouble(&isNumber);
    return !isNumber;
}

}  // namespace

CMDLineRegistry::CMDLineRegistry(const QStringList& args, QObject* parent)
    : QObject(parent), arguments(args) {
    // Every program answers --help and refuses unknown options the same way.
    const QString program = args.isEmpty() ? QString("the program") : QFileInfo(args.first()).fileName();
    handlers.append(new ConsoleHelpHandler(program));
    handlers.append(new ConsoleVersionHandler(program));
    for (int i = 1; i < args.size(); i++) {
        const QString& a = args.at(i);
        if (a == "--") {
            positional += args.mid(i + 1);
            break;
        }
        if (!isParameter(a)) {
            positional.append(a);
            continue;
        }
        QString body = a.mid(a.startsWith("--") ? 2 : 1);
        if (body == "h") {
            body = HELP_PARAMETER;
        }
        int eq = body.indexOf('=');
        if (eq >= 0) {
            params.append({body.left(eq), body.mid(eq + 1)});
            continue;
        }
        QString value;
        if (i + 1 < args.size() && !isParameter(args.at(i + 1)) && args.at(i + 1) != "--") {
            value = args.at(++i);
        }
        params.append({body, value});
    }
}

CMDLineRegistry::~CMDLineRegistry() {
    qDeleteAll(handlers);
}

bool CMDLineRegistry::hasParameter(const QString& name) const {
    for (const auto& p : params) {
        if (p.first == name) return true;
    }
    return false;
}

QString CMDLineRegistry::getParameterValue(const QString& name, int startIndex) const {
    int seen = 0;
    for (const auto& p : params) {
        if (p.first == name && seen++ >= startIndex) return p.second;
    }
    return QString();
}

QStringList CMDLineRegistry::getParameterValues(const QString& name) const {
    QStringList res;
    for (const auto& p : params) {
        if (p.first == name) res.append(p.second);
    }
    return res;
}

QStringList CMDLineRegistry::getOrderedParameterNames() const {
    QStringList res;
    for (const auto& p : params) {
        res.append(p.first);
    }
    return res;
}

QStringList CMDLineRegistry::getUnknownParameters() const {
    QStringList res;
    for (const auto& p : params) {
        bool known = false;
        for (CMDLineHandler* h : handlers) {
            known = known || h->getName() == p.first;
        }
        if (!known && !res.contains(p.first)) {
            res.append(p.first);
        }
    }
    return res;
}

bool CMDLineRegistry::asksForWork() const {
    return !hasParameter(HELP_PARAMETER) && !hasParameter(VERSION_PARAMETER) && getUnknownParameters().isEmpty() &&
           getStrayArguments().isEmpty();
}

QString CMDLineRegistry::getHelpText() const {
    QString text;
    for (CMDLineHandler* h : handlers) {
        // One line each, but the text's own column spacing stays.
        const QString line = h->getHelp().trimmed().replace('\n', ' ');
        text += (line.isEmpty() ? "--" + h->getName() : line) + "\n";
    }
    return text;
}

bool CMDLineRegistry::registerCMDLineHandler(CMDLineHandler* h) {
    if (h == nullptr) {
        return false;
    }
    for (CMDLineHandler* other : qAsConst(handlers)) {
        if (other == h) {
            return false;
        }
        if (other->getName() == h->getName()) {
            coreLog.error(QString("A command-line handler for '--%1' is already registered").arg(h->getName()));
            delete h;
            return false;
        }
    }
    handlers.append(h);
    return true;
}

void CMDLineRegistry::unregisterCMDLineHandler(CMDLineHandler* h) {
    if (handlers.removeOne(h)) {
        delete h;
    }
}

}  // namespace Nx
