// Downloads one entry into the download folder (an entry already downloaded completely is
// reused) and checks that the answer is what the database serves: PDB or mmCIF text for PDB,
// FASTA for Ensembl, so that an error page never opens as a document.
#pragma once

#include <NxGui/remote/BaseLoadRemoteDocumentTask.h>

#include <QUrl>

namespace Nx {

class LoadRemoteDocumentTask : public BaseLoadRemoteDocumentTask {
    Q_OBJECT
public:
    LoadRemoteDocumentTask(const QString& accession, const QString& dbName, const QString& folder = QString());

    void prepare() override;
    void run() override;

    bool isFromCache() const { return fromCache; }

private:
    QUrl url;
    int timeoutMs = 0;
    qint64 maxBytes = 0;
    bool fromCache = false;
};

}  // namespace Nx
