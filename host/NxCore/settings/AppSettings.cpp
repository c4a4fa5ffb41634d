#include "AppSettings.h"

#include <NxCore/log/Logger.h>

#include <QCoreApplication>
#include <QDir>
#include <QMutex>
#include <QThread>

#include <cstdlib>

namespace Nx {

AppResourcePool::AppResourcePool() : idealThreadCount(qMax(1, QThread::idealThreadCount())), maxMemoryMB(2048) {
}

void AppResourcePool::setIdealThreadCount(int n) {
    idealThreadCount = qMax(1, n);
}

namespace {

QMutex tmpLock;
QString tmpDirPath;  // the created per-process folder, empty until first use

void removeAtExit() {
    UserAppsSettings::cleanupCurrentProcessTemporaryDir();
}

}  // namespace

QString UserAppsSettings::getCurrentProcessTemporaryDirPath(const QString& domain) {
    QMutexLocker l(&tmpLock);
    if (tmpDirPath.isEmpty()) {
        QString path = QDir::temp().absoluteFilePath(
            QString("nolix-%1").arg(QCoreApplication::applicationPid()));
        if (!QDir().mkpath(path)) {
            coreLog.error(QString("Cannot create the temporary folder %1").arg(path));
            return QString();
        }
        tmpDirPath = path;
        static bool registered = false;
        if (!registered) {
            registered = true;
            std::atexit(removeAtExit);
        }
    }
    if (domain.isEmpty()) {
        return tmpDirPath;
    }
    QString sub = tmpDirPath + "/" + domain;
    if (!QDir().mkpath(sub)) {
        coreLog.error(QString("Cannot create the temporary folder %1").arg(sub));
        return QString();
    }
    return sub;
}

void UserAppsSettings::cleanupCurrentProcessTemporaryDir() {
    QMutexLocker l(&tmpLock);
    if (tmpDirPath.isEmpty()) {
        return;
    }
    QDir(tmpDirPath).removeRecursively();
    tmpDirPath.clear();
}

}  // namespace Nx
