// One request of a script element: runs "python <script> <key> <value> ..." with the request's
// options in ascending key order, an empty standard input and a time limit, and keeps the
// key:value lines the script prints. A request
// holding a value that is not text runs nothing and finishes, without error, with no answer.
#pragma once

#include "BaseSnpAnnotationTask.h"
#include "SnpResponseLogParser.h"

namespace Nx {

class ExternalToolRunTask;

class RequestForSnpTask : public BaseSnpAnnotationTask {
    Q_OBJECT
public:
    RequestForSnpTask(const QString& scriptPath, const QVariantMap& inputData, const NxVariant& variation);
    ~RequestForSnpTask() override;

    QVariantMap getResults() const override;
    // How the script ended and the first line it wrote to standard error.
    QString getFailureDescription() const override;
    // 0: no limit. Past it the script and everything it started are killed.
    void setTimeLimitMs(int ms);

    // The command line after the interpreter; empty when the request was refused.
    const QStringList& getArguments() const { return arguments; }
    bool isRefused() const { return refused; }

private:
    QString scriptPath;                    // absolute
    QStringList arguments;                 // script path, then key and value pairs
    bool refused = false;                  // a value could not be turned into text
    ExternalToolRunTask* runTask = nullptr;  // the process run, owned as the only subtask
    SnpResponseLogParser logParser;        // outlives runTask: the task is its only user
};

}  // namespace Nx
