#include "WorkflowMonitor.h"

namespace Nx {
namespace Workflow {

void WorkflowMonitor::addOutputFile(const QString& url, const QString& producer) {
    for (const MonitorOutputFile& f : outputFiles) {
        if (f.url == url) {
            return;
        }
    }
    outputFiles << MonitorOutputFile{url, producer};
    Q_EMIT si_newOutputFile(url, producer);
}

void WorkflowMonitor::addError(const QString& message, const QString& actorId) {
    problems << WorkflowProblem{message, actorId};
    Q_EMIT si_newProblem(message, actorId);
}

}  // namespace Workflow
}  // namespace Nx
