#include "Project.h"

#include <QFileInfo>

namespace Nx {

Document* Project::findDocumentByPath(const QString& path) const {
    const QString wanted = QFileInfo(path).absoluteFilePath();
    for (Document* d : documents) {
        if (QFileInfo(d->getURL().getURLString()).absoluteFilePath() == wanted) {
            return d;
        }
    }
    return nullptr;
}

void Project::addDocument(Document* d) {
    d->setParent(this);
    documents.append(d);
    Q_EMIT si_documentAdded(d);
}

void Project::removeDocument(Document* d) {
    if (documents.removeOne(d)) {
        Q_EMIT si_documentRemoved(d);
        d->deleteLater();
    }
}

}  // namespace Nx
