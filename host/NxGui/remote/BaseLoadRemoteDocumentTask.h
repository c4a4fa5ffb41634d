// Base of the tasks that fetch an entry of a remote database into a local folder: the download
// folder of the suite, and the checks every such task makes before it touches the network.
#pragma once

#include <NxCore/tasks/Task.h>

namespace Nx {

class BaseLoadRemoteDocumentTask : public Task {
    Q_OBJECT
public:
    // $NX_DOWNLOAD_DIR, else the user setting "remote_databases/download_dir", else
    // "Nolix/downloads" in the user's data folder. Not created here.
    static QString getDefaultDownloadDirectory();
    // Creates the folder when missing; on failure (not creatable or not writable) falls back to a
    // "downloads" folder in the process's temporary folder, updates path and returns false.
    static bool prepareDownloadDirectory(QString& path);

    const QString& getAccession() const { return accession; }
    const QString& getDatabaseName() const { return dbName; }
    // The local file of the entry (set once prepare() found the request valid).
    const QString& getLocalPath() const { return localPath; }

protected:
    // folder: where the file goes; the default download folder when empty.
    BaseLoadRemoteDocumentTask(const QString& name, TaskFlags flags, const QString& accession, const QString& dbName,
                               const QString& folder);

    // Checks the database, the identifier and the folder and sets localPath; false with the
    // task's error set otherwise. The file name comes from the identifier alone and is checked to
    // lie directly in the folder.
    bool checkRequestAndPreparePath();

    QString accession;
    QString dbName;
    QString folder;
    QString localPath;
};

}  // namespace Nx
