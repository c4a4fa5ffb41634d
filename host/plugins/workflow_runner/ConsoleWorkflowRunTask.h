// A workflow run started from the command line (--workflow=FILE):
//   1. create the session database: a SQLite file in a temporary folder (removed at the end;
//      folders of killed runs are removed first),
//      or the --session-db file, which is kept and must not exist yet;
//   2. load and check the workflow file with the --set values;
//   3. run it (a WorkflowRunTask subtask), progress on standard error;
//   4. list the output files on standard output.
// Any failure is this task's error, which makes the console exit code non-zero (1). A run that
// completed while some per-variation requests failed prints "N of M requests failed" and makes
// the console exit with REQUESTS_FAILED_EXIT_CODE.
#pragma once

#include <NxCore/tasks/Task.h>
#include <NxLang/io/WorkflowFileLoader.h>

#include <QScopedPointer>

namespace Nx {

class DbiDataStorage;
class WorkflowTempFolder;
namespace Workflow {
class Schema;
class WorkflowContext;
class WorkflowMonitor;
}  // namespace Workflow

class ConsoleWorkflowRunTask : public Task {
    Q_OBJECT
public:
    // sessionDbPath empty: a temporary database.
    ConsoleWorkflowRunTask(const QString& workflowPath, const QList<WorkflowFileLoader::Override>& overrides,
                           const QString& sessionDbPath);
    ~ConsoleWorkflowRunTask() override;

    static const int REQUESTS_FAILED_EXIT_CODE = 3;

    void prepare() override;
    ReportResult report() override;

    const QString& getSessionDbPath() const { return sessionDb; }

private:
    QString workflowPath;
    QList<WorkflowFileLoader::Override> overrides;
    QString sessionDb;                     // the file actually used
    bool keepSessionDb;                    // given by the user
    bool sessionDbCreated = false;         // this run made the file
    QScopedPointer<WorkflowTempFolder> tmpDir;  // holds a temporary session database
    Workflow::Schema* schema = nullptr;    // owned
    DbiDataStorage* storage = nullptr;     // owned
    Workflow::WorkflowMonitor* monitor = nullptr;  // owned
    Workflow::WorkflowContext* context = nullptr;  // owned
};

}  // namespace Nx
