// The temporary folder of a console run's session database: TMPDIR/nolix-workflow-PID-XXXXXX.
// A run killed with SIGKILL cannot remove its folder; the owning pid in the name lets a later run
// remove it once that process is gone, and never touch a folder of a process that still runs.
#pragma once

#include <QScopedPointer>
#include <QString>
#include <QTemporaryDir>

namespace Nx {

class WorkflowTempFolder {
public:
    static QString namePrefix() { return QStringLiteral("nolix-workflow-"); }

    // Removes the folders in parent whose owning process has ended; returns how many went.
    static int removeStale(const QString& parent);

    // Creates a new folder of this process in parent (removed with the object).
    explicit WorkflowTempFolder(const QString& parent);

    bool isValid() const { return dir->isValid(); }
    QString errorString() const { return dir->errorString(); }
    QString path() const { return dir->path(); }
    QString filePath(const QString& name) const { return dir->filePath(name); }

private:
    QScopedPointer<QTemporaryDir> dir;
};

}  // namespace Nx
