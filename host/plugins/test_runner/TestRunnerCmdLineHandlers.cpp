#include "TestRunnerCmdLineHandlers.h"

#include "XmlTestRunTask.h"

#include <NxCore/tasks/FailTask.h>

#include <QCoreApplication>

namespace Nx {

static QString tr(const char* s) {
    return QCoreApplication::translate("TestRunnerCmdLineHandlers", s);
}

Task* TestSuiteCmdLineHandler::createTask(CMDLineRegistry& r) {
    QStringList paths;
    for (const QString& p : r.getParameterValues(getName())) {
        if (p.isEmpty()) {
            return new FailTask(tr("--test-suite needs a file or folder: --test-suite=PATH"));
        }
        paths << p;
    }
    QMap<QString, QString> env;
    for (const QString& v : r.getParameterValues("test-env")) {
        const int eq = v.indexOf('=');
        if (eq <= 0) {
            return new FailTask(tr("--test-env needs NAME=VALUE, got '%1'").arg(v));
        }
        env[v.left(eq)] = v.mid(eq + 1);
    }
    return new XmlTestRunTask(paths, env);
}

QString TestSuiteCmdLineHandler::getHelp() const {
    return tr("--test-suite=PATH  run an XML test suite file, or every *.xml suite of a folder");
}

Task* TestEnvCmdLineHandler::createTask(CMDLineRegistry& r) {
    if (r.hasParameter("test-suite")) {
        return nullptr;  // read by the --test-suite handler
    }
    return new FailTask(tr("--test-env is only meaningful with --test-suite=PATH"));
}

QString TestEnvCmdLineHandler::getHelp() const {
    return tr("--test-env NAME=VALUE  set a variable of the --test-suite run (e.g. TEMP_DATA_DIR)");
}

}  // namespace Nx
