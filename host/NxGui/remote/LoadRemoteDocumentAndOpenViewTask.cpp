#include "LoadRemoteDocumentAndOpenViewTask.h"

#include <NxCore/core/AppContext.h>
#include <NxGui/project/ProjectLoader.h>
#include <NxGui/remote/LoadRemoteDocumentTask.h>

#include <QFileInfo>

namespace Nx {

LoadRemoteDocumentAndOpenViewTask::LoadRemoteDocumentAndOpenViewTask(const QString& acc, const QString& db,
                                                                     const QString& dir, const QString& format)
    : BaseLoadRemoteDocumentTask(tr("Open %1 from %2").arg(acc.left(40), db.left(40)),
                                 TaskFlags(TaskFlag_NoRun) | TaskFlag_PropagateSubtaskErrorText, acc, db, dir),
      fileFormat(format) {
}

void LoadRemoteDocumentAndOpenViewTask::prepare() {
    if (!checkRequestAndPreparePath()) {
        return;
    }
    if (AppContext::getProjectLoader() == nullptr) {
        setError(tr("No project to open %1 in").arg(accession));
        return;
    }
    downloadTask = new LoadRemoteDocumentTask(accession, dbName, QFileInfo(localPath).absolutePath());
    addSubTask(downloadTask);
}

QList<Task*> LoadRemoteDocumentAndOpenViewTask::onSubTaskFinished(Task* sub) {
    QList<Task*> next = Task::onSubTaskFinished(sub);
    if (sub != downloadTask || hasError() || isCanceled()) {
        return next;
    }
    ProjectLoader* loader = AppContext::getProjectLoader();
    if (loader == nullptr) {
        setError(tr("No project to open %1 in").arg(accession));
        return next;
    }
    QVariantMap hints;
    if (!fileFormat.isEmpty()) {
        hints["format"] = fileFormat;
    }
    if (Task* open = loader->openWithProjectTask({GUrl(localPath)}, hints)) {
        next.append(open);
    }
    return next;
}

}  // namespace Nx
