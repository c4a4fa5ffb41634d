#include "NxDataPathRegistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace Nx {

NxDataPathRegistry::~NxDataPathRegistry() {
    qDeleteAll(entries);
    for (const QPointer<NxDataPath>& p : qAsConst(refused)) {
        delete p.data();
    }
}

bool NxDataPathRegistry::registerEntry(NxDataPath* dp) {
    if (dp == nullptr) {
        return false;
    }
    NxDataPath* existing = entries.value(dp->getName());
    if (existing == dp) {
        return false;
    }
    if (existing != nullptr) {
        refused.append(QPointer<NxDataPath>(dp));
        return false;
    }
    entries.insert(dp->getName(), dp);
    Q_EMIT si_entryRegistered(dp->getName());
    return true;
}

bool NxDataPathRegistry::unregisterEntry(const QString& name) {
    NxDataPath* dp = entries.take(name);
    if (dp == nullptr) {
        return false;
    }
    delete dp;
    return true;
}

QString NxDataPathRegistry::dataFolder() {
    QString env = qEnvironmentVariable("NX_DATA_DIR");
    if (!env.isEmpty()) {
        return QDir::cleanPath(QFileInfo(env).absoluteFilePath());
    }
    QString appDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    QString repoData = QDir::cleanPath(appDir + "/../../data");
    if (QFileInfo(repoData).isDir()) {
        return repoData;
    }
    const QString besideProgram = QDir::cleanPath(appDir + "/data");
    if (QFileInfo(besideProgram).isDir()) {
        return besideProgram;
    }
#ifdef NX_SOURCE_DATA_DIR
    // A build folder outside the repository still finds the repository it was built from.
    if (QFileInfo(QStringLiteral(NX_SOURCE_DATA_DIR)).isDir()) {
        return QStringLiteral(NX_SOURCE_DATA_DIR);
    }
#endif
    return besideProgram;
}

}  // namespace Nx
