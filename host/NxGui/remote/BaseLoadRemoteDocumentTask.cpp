#include "BaseLoadRemoteDocumentTask.h"

#include <NxCore/core/AppContext.h>
#include <NxCore/log/Logger.h>
#include <NxCore/settings/AppSettings.h>
#include <NxCore/settings/Settings.h>
#include <NxGui/remote/RemoteDBRegistry.h>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace Nx {

BaseLoadRemoteDocumentTask::BaseLoadRemoteDocumentTask(const QString& name, TaskFlags flags, const QString& acc,
                                                       const QString& db, const QString& dir)
    : Task(name, flags), accession(acc), dbName(db), folder(dir) {
}

QString BaseLoadRemoteDocumentTask::getDefaultDownloadDirectory() {
    QString env = qEnvironmentVariable("NX_DOWNLOAD_DIR");
    if (!env.isEmpty()) {
        return QDir::cleanPath(QFileInfo(env).absoluteFilePath());
    }
    if (Settings* s = AppContext::getSettings()) {
        QString v = s->getValue("remote_databases/download_dir").toString();
        if (!v.isEmpty()) {
            return QDir::cleanPath(v);
        }
    }
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Nolix/downloads");
}

bool BaseLoadRemoteDocumentTask::prepareDownloadDirectory(QString& path) {
    if (!path.isEmpty() && QDir().mkpath(path) && QFileInfo(path).isWritable()) {
        return true;
    }
    QString fallback = UserAppsSettings::getCurrentProcessTemporaryDirPath("downloads");
    rsLog.error(QString("The download folder %1 cannot be used; downloads go to %2 instead").arg(path, fallback));
    path = fallback;
    return false;
}

bool BaseLoadRemoteDocumentTask::checkRequestAndPreparePath() {
    if (!RemoteDBRegistry::isKnownDatabase(dbName)) {
        setError(tr("Unknown remote database '%1' (known: %2)")
                     .arg(dbName.left(40), RemoteDBRegistry::getDatabaseNames().join(", ")));
        return false;
    }
    if (!RemoteDBRegistry::isValidAccession(dbName, accession)) {
        setError(tr("'%1' is not a valid %2 identifier").arg(accession.left(40), dbName));
        return false;
    }
    QString dir = folder.isEmpty() ? getDefaultDownloadDirectory() : folder;
    prepareDownloadDirectory(dir);
    if (dir.isEmpty()) {
        setError(tr("No folder to download %1 into").arg(accession));
        return false;
    }
    const QString fileName = RemoteDBRegistry::getEntryFileName(dbName, accession);
    const QString absDir = QDir(dir).absolutePath();
    const QString path = QDir(absDir).absoluteFilePath(fileName);
    // The name holds no separators; check anyway that the file lies directly in the folder.
    if (fileName.isEmpty() || QFileInfo(path).absolutePath() != absDir) {
        setError(tr("No safe file name for %1 in %2").arg(accession, absDir));
        return false;
    }
    localPath = path;
    return true;
}

}  // namespace Nx
