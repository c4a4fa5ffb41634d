// Opens local files into the session's project. The window shows what the project holds.
#pragma once

#include <NxCore/io/GUrl.h>

#include <QList>
#include <QObject>
#include <QVariantMap>

namespace Nx {

class Project;
class Task;

class ProjectLoader : public QObject {
    Q_OBJECT
public:
    explicit ProjectLoader(QObject* parent = nullptr);

    Project* getProject() const { return project; }

    // A new task that reads every URL and adds each as a document to the project; the caller
    // registers it with the scheduler. Null for an empty list. Hints: "document_name" renames a
    // single document in the list.
    Task* openWithProjectTask(const QList<GUrl>& urls, const QVariantMap& hints = QVariantMap());

private:
    Project* project;  // child
};

}  // namespace Nx
