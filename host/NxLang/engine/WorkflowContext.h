// Everything a worker may reach during one run besides its own channels: the workflow
// database, the monitor, the folder relative paths are taken from, and the script engine.
#pragma once

#include <QList>
#include <QString>

namespace Nx {

class DbiDataStorage;
class WorkflowScriptEngine;

namespace Workflow {

class Actor;
class WorkflowMonitor;

class WorkflowContext {
public:
    // Borrows storage and monitor; workingDir is the workflow file's folder.
    WorkflowContext(const QList<Actor*>& actors, DbiDataStorage* storage, WorkflowMonitor* monitor,
                    const QString& workingDir);
    ~WorkflowContext();
    WorkflowContext(const WorkflowContext&) = delete;
    WorkflowContext& operator=(const WorkflowContext&) = delete;

    DbiDataStorage* getDataStorage() const { return storage; }
    WorkflowMonitor* getMonitor() const { return monitor; }
    const QList<Actor*>& getActors() const { return actors; }
    const QString& workingDir() const { return workDir; }

    // path itself when absolute or empty, else resolved against the working folder.
    QString absolutePath(const QString& path) const;

    // Made on first use; main thread only.
    WorkflowScriptEngine* getScriptEngine();

private:
    QList<Actor*> actors;  // not owned
    DbiDataStorage* storage;
    WorkflowMonitor* monitor;
    QString workDir;
    WorkflowScriptEngine* scriptEngine = nullptr;  // owned
};

}  // namespace Workflow
using namespace Workflow;
}  // namespace Nx
