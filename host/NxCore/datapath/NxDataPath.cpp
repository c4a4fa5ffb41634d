#include "NxDataPath.h"

#include <NxCore/datapath/NxDataPathRegistry.h>

#include <QDir>
#include <QFileInfo>

namespace Nx {

NxDataPath::NxDataPath(const QString& n, const QString& p, const QString& d, bool dirs, bool ro)
    : name(n), rawPath(p), path(resolve(p)), description(d), dirOnly(dirs), readOnly(ro) {
    setObjectName(n);
}

QString NxDataPath::resolve(const QString& raw) {
    if (raw.isEmpty()) {
        return QString();
    }
    const QString prefix = "data:";
    if (raw.startsWith(prefix)) {
        QString rel = raw.mid(prefix.size());
        return QDir::cleanPath(NxDataPathRegistry::dataFolder() + "/" + rel);
    }
    return QDir::cleanPath(QFileInfo(raw).absoluteFilePath());
}

bool NxDataPath::isValid() const {
    if (path.isEmpty()) {
        return false;
    }
    QFileInfo fi(path);
    if (dirOnly) {
        return fi.isDir();
    }
    if (fi.exists()) {
        return true;
    }
    return fi.absoluteDir().exists();
}

}  // namespace Nx
