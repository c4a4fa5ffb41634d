// What a run has produced and what went wrong, as the user will be told at the end: output files
// with the element that wrote them, errors with the element they belong to, and the
// per-variation requests of the analysis elements with those that failed.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

namespace Nx {
namespace Workflow {

struct MonitorOutputFile {
    QString url;       // absolute path of the file
    QString producer;  // id of the actor that wrote it
};

struct WorkflowProblem {
    QString message;
    QString actorId;  // empty when the problem belongs to no element
};

// One failed per-variation request.
struct RequestFailure {
    QString actorId;    // the element
    QString variation;  // chromosome:position ref>alt
    QString reason;     // how the request ended, with the first line of the tool's error output
};

class WorkflowMonitor : public QObject {
    Q_OBJECT
public:
    explicit WorkflowMonitor(QObject* parent = nullptr) : QObject(parent) {}

    // A file already listed is not listed twice.
    void addOutputFile(const QString& url, const QString& producer);
    const QList<MonitorOutputFile>& getOutputFiles() const { return outputFiles; }

    void addError(const QString& message, const QString& actorId);
    const QList<WorkflowProblem>& getProblems() const { return problems; }
    bool hasErrors() const { return !problems.isEmpty(); }

    // Per-variation requests run (failed ones included).
    void addRequests(qint64 count);
    // The first MAX_KEPT_FAILURES are kept; all are counted.
    void addRequestFailure(const RequestFailure& failure);
    qint64 getRequestCount() const { return requestCount; }
    qint64 getFailedRequestCount() const { return failedRequestCount; }
    const QList<RequestFailure>& getRequestFailures() const { return requestFailures; }
    static const int MAX_KEPT_FAILURES = 1000;

Q_SIGNALS:
    void si_newOutputFile(const QString& url, const QString& producer);
    void si_newProblem(const QString& message, const QString& actorId);

private:
    QList<MonitorOutputFile> outputFiles;  // in registration order
    QList<WorkflowProblem> problems;
    qint64 requestCount = 0;
    qint64 failedRequestCount = 0;
    QList<RequestFailure> requestFailures;  // the first ones, in the order they failed
};

}  // namespace Workflow
using namespace Workflow;
}  // namespace Nx
