#include "WorkflowTempFolder.h"

#include <NxCore/core/ProcessAlive.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>

#include <unistd.h>

namespace Nx {

int WorkflowTempFolder::removeStale(const QString& parent) {
    static const QRegularExpression rx("^" + namePrefix() + "(\\d+)-[A-Za-z0-9]{6}$");
    QDir dir(parent);
    int removed = 0;
    for (const QString& name : dir.entryList({namePrefix() + "*"}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        QRegularExpressionMatch m = rx.match(name);
        if (!m.hasMatch() || isProcessAlive(m.captured(1).toLongLong())) {
            continue;
        }
        QFileInfo info(dir.filePath(name));
        if (info.isSymLink() || info.ownerId() != static_cast<uint>(geteuid())) {
            continue;  // only folders this user made
        }
        if (QDir(info.filePath()).removeRecursively()) {
            ++removed;
        }
    }
    return removed;
}

WorkflowTempFolder::WorkflowTempFolder(const QString& parent)
    : dir(new QTemporaryDir(QDir(parent).filePath(
          QString("%1%2-XXXXXX").arg(namePrefix()).arg(QCoreApplication::applicationPid())))) {}

}  // namespace Nx
