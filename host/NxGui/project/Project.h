// The documents opened in this session, in opening order. Owns them.
#pragma once

#include <NxGui/project/Document.h>

#include <QList>
#include <QObject>

namespace Nx {

class Project : public QObject {
    Q_OBJECT
public:
    explicit Project(QObject* parent = nullptr) : QObject(parent) {}

    const QList<Document*>& getDocuments() const { return documents; }
    // The document opened from this local path, or null.
    Document* findDocumentByPath(const QString& path) const;
    // Takes ownership and announces the document.
    void addDocument(Document* d);
    void removeDocument(Document* d);

Q_SIGNALS:
    void si_documentAdded(Nx::Document* d);
    void si_documentRemoved(Nx::Document* d);

private:
    QList<Document*> documents;
};

}  // namespace Nx
