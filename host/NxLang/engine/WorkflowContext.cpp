#include "WorkflowContext.h"

#include <NxLang/scripts/WorkflowScriptEngine.h>

#include <QDir>
#include <QFileInfo>

namespace Nx {
namespace Workflow {

WorkflowContext::WorkflowContext(const QList<Actor*>& actors, DbiDataStorage* storage, WorkflowMonitor* monitor,
                                 const QString& workingDir)
    : actors(actors), storage(storage), monitor(monitor), workDir(workingDir) {}

WorkflowContext::~WorkflowContext() {
    delete scriptEngine;
}

QString WorkflowContext::absolutePath(const QString& path) const {
    if (path.isEmpty() || QFileInfo(path).isAbsolute()) {
        return path;
    }
    const QString base = workDir.isEmpty() ? QDir::currentPath() : workDir;
    return QDir::cleanPath(QDir(base).absoluteFilePath(path));
}

WorkflowScriptEngine* WorkflowContext::getScriptEngine() {
    if (scriptEngine == nullptr) {
        scriptEngine = new WorkflowScriptEngine();
    }
    return scriptEngine;
}

}  // namespace Workflow
}  // namespace Nx
