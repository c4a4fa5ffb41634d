#include "OpenDocumentsTask.h"

#include <NxGui/project/LoadDocumentTask.h>

namespace Nx {

OpenDocumentsTask::OpenDocumentsTask(const QList<GUrl>& u, const QVariantMap& hints)
    : Task(tr("Open documents"), TaskFlags(TaskFlag_NoRun) | TaskFlag_PropagateSubtaskErrorText), urls(u) {
    const QString name = urls.size() == 1 ? hints.value("document_name").toString() : QString();
    for (const GUrl& url : urls) {
        addSubTask(new LoadDocumentTask(url, name));
    }
}

}  // namespace Nx
