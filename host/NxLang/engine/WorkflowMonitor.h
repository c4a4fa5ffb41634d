// What a run has produced and what went wrong, as the user will be told at the end: output files
// with the element that wrote them, and errors with the element they belong to.
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

Q_SIGNALS:
    void si_newOutputFile(const QString& url, const QString& producer);
    void si_newProblem(const QString& message, const QString& actorId);

private:
    QList<MonitorOutputFile> outputFiles;  // in registration order
    QList<WorkflowProblem> problems;
};

}  // namespace Workflow
using namespace Workflow;
}  // namespace Nx
