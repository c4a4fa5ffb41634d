#include "LoadRemoteDocumentTask.h"

#include <NxCore/log/Logger.h>
#include <NxGui/project/DocumentFormat.h>
#include <NxGui/remote/HttpDownloader.h>
#include <NxGui/remote/RemoteDBRegistry.h>

#include <QFile>
#include <QFileInfo>

namespace Nx {

LoadRemoteDocumentTask::LoadRemoteDocumentTask(const QString& acc, const QString& db, const QString& dir)
    : BaseLoadRemoteDocumentTask(tr("Download %1 from %2").arg(acc.left(40), db.left(40)), TaskFlag_None, acc, db, dir) {
}

void LoadRemoteDocumentTask::prepare() {
    // Settings are read here, on the main thread.
    if (!checkRequestAndPreparePath()) {
        return;
    }
    url = RemoteDBRegistry::getEntryUrl(dbName, accession, stateInfo);
    timeoutMs = RemoteDBRegistry::getTimeoutMs();
    maxBytes = RemoteDBRegistry::getMaxDownloadBytes();
}

void LoadRemoteDocumentTask::run() {
    if (QFileInfo(localPath).isFile() && QFileInfo(localPath).size() > 0) {
        fromCache = true;
        rsLog.info(QString("%1 %2 is already downloaded: %3").arg(dbName, accession, localPath));
        return;
    }
    rsLog.info(QString("Downloading %1 %2 from %3").arg(dbName, accession, url.toString()));
    HttpDownloader::download(url, localPath, timeoutMs, maxBytes, stateInfo);
    if (hasError()) {
        return;
    }
    QFile f(localPath);
    QByteArray head;
    if (f.open(QIODevice::ReadOnly)) {
        head = f.read(64 * 1024);
        f.close();
    }
    QString format = DocumentFormat::detect(head);
    bool expected = dbName == RemoteDBRegistry::PDB ? (format == DocumentFormat::PDB || format == DocumentFormat::MMCIF)
                                                    : format == DocumentFormat::FASTA;
    if (!expected) {
        QFile::remove(localPath);
        setError(tr("The answer of %1 for %2 is not a %3 entry").arg(url.toString(), accession,
                                                                      dbName == RemoteDBRegistry::PDB ? "PDB" : "FASTA"));
    }
}

}  // namespace Nx
