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

void WorkflowMonitor::addRequests(qint64 count) {
    requestCount += count;
}

void WorkflowMonitor::addRequestFailure(const RequestFailure& failure) {
    ++failedRequestCount;
    if (requestFailures.size() < MAX_KEPT_FAILURES) {
        requestFailures << failure;
    }
}

}  // namespace Workflow
}  // namespace Nx
