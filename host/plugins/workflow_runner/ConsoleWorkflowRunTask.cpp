#include "ConsoleWorkflowRunTask.h"

#include "WorkflowTempFolder.h"

#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/sqlite/SQLiteDbi.h>
#include <NxCore/log/Logger.h>
#include <NxCore/tasks/ConsoleShutdownTask.h>
#include <NxLang/engine/WorkflowContext.h>
#include <NxLang/engine/WorkflowMonitor.h>
#include <NxLang/engine/WorkflowRunTask.h>
#include <NxLang/model/Schema.h>
#include <NxLang/storage/DbiDataStorage.h>

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace Nx {

ConsoleWorkflowRunTask::ConsoleWorkflowRunTask(const QString& workflowPath,
                                               const QList<WorkflowFileLoader::Override>& overrides,
                                               const QString& sessionDbPath)
    : Task(tr("Workflow %1").arg(QFileInfo(workflowPath).fileName()),
           TaskFlags(TaskFlag_NoRun) | TaskFlag_PropagateSubtaskErrorText | TaskFlag_ReportOnFinish |
               TaskFlag_ErrorReportedByOwner),
      workflowPath(QDir::current().absoluteFilePath(workflowPath)), overrides(overrides),
      sessionDb(sessionDbPath.isEmpty() ? QString() : QDir::current().absoluteFilePath(sessionDbPath)),
      keepSessionDb(!sessionDbPath.isEmpty()) {}

ConsoleWorkflowRunTask::~ConsoleWorkflowRunTask() {
    if (!keepSessionDb && !sessionDb.isEmpty()) {
        SQLiteDbi::setScratchFile(sessionDb, false);
    }
    // The subtask (a child of this task) is gone only after this body; nothing of it uses
    // these any more once the task has finished.
    delete context;
    delete monitor;
    delete storage;
    delete schema;
}

void ConsoleWorkflowRunTask::prepare() {
    SQLiteDbi::resetBusyStats();
    // 1. The session database.
    if (!keepSessionDb) {
        const int stale = WorkflowTempFolder::removeStale(QDir::tempPath());
        if (stale > 0) {
            cmdLog.info(tr("Removed %1 temporary folder(s) of ended runs from %2").arg(stale).arg(QDir::tempPath()));
        }
        tmpDir.reset(new WorkflowTempFolder(QDir::tempPath()));
        if (!tmpDir->isValid()) {
            setError(tr("Cannot create a temporary folder for the session database: %1").arg(tmpDir->errorString()));
            return;
        }
        sessionDb = tmpDir->filePath("session.s3db");
        // Removed with its folder at the end of the run: no need to wait for the disk.
        SQLiteDbi::setScratchFile(sessionDb, true);
    } else if (QFileInfo::exists(sessionDb)) {
        setError(tr("The session database %1 already exists; give a new file name").arg(sessionDb));
        return;
    }
    const NxDbiRef ref(SQLITE_DBI_ID, sessionDb);
    {
        NxOpStatusImpl os;
        DbiConnection con(ref, true, os);
        if (!os.hasError()) {
            // Left as "running" by a run that is killed: a kept file then never looks complete.
            static_cast<SQLiteDbi*>(con.dbi)->setRunState(SQLiteDbi::RunState_Running, os);
        }
        if (os.hasError()) {
            setError(tr("Cannot create the session database %1: %2").arg(sessionDb, os.getError()));
            return;
        }
        con.close(os);
        sessionDbCreated = true;
    }

    // 2. The workflow.
    NxOpStatusImpl loadOs;
    schema = WorkflowFileLoader::load(workflowPath, overrides, loadOs);
    if (schema == nullptr) {
        setError(loadOs.getError());
        return;
    }

    // 3. The run.
    storage = new DbiDataStorage(ref);
    monitor = new Workflow::WorkflowMonitor();
    context = new Workflow::WorkflowContext(schema->getProcesses(), storage, monitor, QFileInfo(workflowPath).absolutePath());
    cmdLog.info(tr("Running workflow %1 (session database %2)").arg(workflowPath, sessionDb));
    addSubTask(new LocalWorkflow::WorkflowRunTask(schema, context));
}

Task::ReportResult ConsoleWorkflowRunTask::report() {
    if (sessionDbCreated) {
        NxOpStatusImpl os;
        DbiConnection con(NxDbiRef(SQLITE_DBI_ID, sessionDb), false, os);
        if (!os.hasError()) {
            static_cast<SQLiteDbi*>(con.dbi)->setRunState(
                hasError() ? SQLiteDbi::RunState_Failed : SQLiteDbi::RunState_Finished, os);
            con.close(os);
        }
        if (os.hasError() && !hasError()) {
            setError(tr("Cannot record the end of the run in the session database %1: %2").arg(sessionDb, os.getError()));
        }
    }
    if (monitor != nullptr && !monitor->getOutputFiles().isEmpty()) {
        QString text = tr("Output files:") + "\n";
        for (const Workflow::MonitorOutputFile& f : monitor->getOutputFiles()) {
            text += QString("  %1\t(%2)\n").arg(f.url, f.producer);
        }
        fputs(text.toLocal8Bit().constData(), stdout);
        fflush(stdout);
    }
    // Writers commit in batches, so no element should wait for another's lock: say if one did.
    const SQLiteDbi::BusyStats busy = SQLiteDbi::busyStats();
    perfLog.info(tr("Database lock waits during the run: %1 (%2 ms in all, longest %3 ms)")
                     .arg(busy.waits)
                     .arg(busy.totalMs)
                     .arg(busy.longestMs));
    if (monitor != nullptr && monitor->getFailedRequestCount() > 0) {
        // The run went on past them, but it is not a success: say so, and exit with a code of its own.
        cmdLog.error(tr("%1 of %2 requests failed").arg(monitor->getFailedRequestCount()).arg(monitor->getRequestCount()));
        ConsoleShutdownTask::requestExitCode(REQUESTS_FAILED_EXIT_CODE);
    }
    if (hasError()) {
        cmdLog.error(tr("Workflow %1 failed: %2").arg(workflowPath, getError()));
    } else {
        cmdLog.info(tr("Workflow %1 finished").arg(workflowPath));
    }
    if (keepSessionDb && sessionDbCreated) {
        cmdLog.info(tr("Session database kept at %1").arg(sessionDb));
    }
    return ReportResult_Finished;
}

}  // namespace Nx
