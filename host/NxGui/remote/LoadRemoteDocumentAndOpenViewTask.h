// Fetches an entry of a remote database ("PDB" or "ENSEMBL") into a folder and opens it in the
// window: a download subtask, then the project loader's opening task. Either one's error is
// this task's error.
#pragma once

#include <NxGui/remote/BaseLoadRemoteDocumentTask.h>

namespace Nx {

class LoadRemoteDocumentAndOpenViewTask : public BaseLoadRemoteDocumentTask {
    Q_OBJECT
public:
    // fullPathDir: the download folder (the default one when empty). fileFormat: the expected
    // format id, or empty for the database's own.
    LoadRemoteDocumentAndOpenViewTask(const QString& accId, const QString& dbName, const QString& fullPathDir,
                                      const QString& fileFormat = QString());

    void prepare() override;
    QList<Task*> onSubTaskFinished(Task* subTask) override;

private:
    QString fileFormat;
    Task* downloadTask = nullptr;
};

}  // namespace Nx
