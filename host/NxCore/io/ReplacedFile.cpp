#include "ReplacedFile.h"

#include <NxCore/core/NxOpStatus.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace Nx {

namespace {

std::atomic<int> nextNumber{1};

bool processExists(qint64 pid) {
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

}  // namespace

ReplacedFile::ReplacedFile(const QString& targetPath) : target(QFileInfo(targetPath).absoluteFilePath()) {
    removeStale(target);
    temporary = QString("%1.tmp-%2-%3").arg(target).arg(::getpid()).arg(nextNumber++);
}

ReplacedFile::~ReplacedFile() {
    if (!committed) {
        discard();
    }
}

void ReplacedFile::discard() {
    QFile::remove(temporary);
}

bool ReplacedFile::commit(NxOpStatus& os) {
    // rename(2) replaces the target in one step; QFile::rename would refuse an existing target.
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0) {
        os.setError(QObject::tr("Cannot move %1 to %2: %3").arg(temporary, target, QString::fromLocal8Bit(strerror(errno))));
        discard();
        return false;
    }
    committed = true;
    return true;
}

int ReplacedFile::removeStale(const QString& targetPath) {
    const QFileInfo info(targetPath);
    const QRegularExpression pattern("^" + QRegularExpression::escape(info.fileName()) + "\\.tmp-(\\d+)(-\\d+)?$");
    int removed = 0;
    const QDir dir = info.absoluteDir();
    for (const QString& name : dir.entryList({info.fileName() + ".tmp-*"}, QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (m.hasMatch() && !processExists(m.captured(1).toLongLong()) && QFile::remove(dir.filePath(name))) {
            ++removed;
        }
    }
    return removed;
}

}  // namespace Nx
