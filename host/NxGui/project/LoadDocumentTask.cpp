#include "LoadDocumentTask.h"

#include <NxCore/core/AppContext.h>
#include <NxCore/log/Logger.h>
#include <NxGui/project/DocumentFormat.h>
#include <NxGui/project/Project.h>
#include <NxGui/project/ProjectLoader.h>

#include <QFile>
#include <QFileInfo>

namespace Nx {

LoadDocumentTask::LoadDocumentTask(const GUrl& u, const QString& name)
    : Task(tr("Open %1").arg(u.fileName()), TaskFlag_None), url(u), documentName(name) {
}

void LoadDocumentTask::run() {
    const QString path = url.getURLString();
    if (path.isEmpty()) {
        setError(tr("No file to open"));
        return;
    }
    if (!url.isLocalFile()) {
        setError(tr("Only local files can be opened: %1").arg(path));
        return;
    }
    QFileInfo fi(path);
    if (!fi.exists()) {
        setError(tr("File not found: %1").arg(path));
        return;
    }
    if (!fi.isFile()) {
        setError(tr("Not a regular file: %1").arg(path));
        return;
    }
    if (fi.size() > MAX_FILE_SIZE) {
        setError(tr("%1 is too large to open as text (%2 bytes, at most %3)").arg(path).arg(fi.size()).arg(MAX_FILE_SIZE));
        return;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        setError(tr("Cannot read %1: %2").arg(path, f.errorString()));
        return;
    }
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        setError(tr("Cannot read %1: %2").arg(path, f.errorString()));
        return;
    }
    formatId = DocumentFormat::detect(data, fi.fileName());
    if (formatId.isEmpty()) {
        setError(tr("%1 is not a text file and cannot be opened").arg(path));
        return;
    }
    summary = DocumentFormat::summarize(formatId, data);
    text = QString::fromUtf8(data);
}

Task::ReportResult LoadDocumentTask::report() {
    if (hasError() || isCanceled()) {
        return ReportResult_Finished;
    }
    ProjectLoader* loader = AppContext::getProjectLoader();
    if (loader == nullptr) {
        setError(tr("No project to open %1 in").arg(url.getURLString()));
        return ReportResult_Finished;
    }
    Project* project = loader->getProject();
    if (Document* existing = project->findDocumentByPath(url.getURLString())) {
        // Same file again: replaced by what the file holds now.
        project->removeDocument(existing);
    }
    QString name = documentName.isEmpty() ? url.fileName() : documentName;
    document = new Document(url, name, formatId, summary, text);
    project->addDocument(document);
    uiLog.info(QString("Document opened: %1 (%2, %3)").arg(name, DocumentFormat::displayName(formatId), summary));
    return ReportResult_Finished;
}

}  // namespace Nx
