#include "GUrlUtils.h"

#include <NxCore/core/NxOpStatus.h>

#include <QDir>
#include <QObject>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace Nx {

bool GUrlUtils::isSafeFileName(const QString& name) {
    static const QRegularExpression rx("^[A-Za-z0-9_\\-][A-Za-z0-9_.\\-]*$");
    return name.size() <= 255 && rx.match(name).hasMatch();
}

QString GUrlUtils::prepareTmpFileLocation(const QString& dir, const QString& prefix, const QString& extension,
                                          NxOpStatus& os) {
    if (dir.isEmpty()) {
        os.setError(QObject::tr("No folder for the temporary file"));
        return QString();
    }
    if (!isSafeFileName(prefix) || (!extension.isEmpty() && !isSafeFileName(extension))) {
        os.setError(QObject::tr("Invalid temporary file name parts: '%1', '%2'").arg(prefix, extension));
        return QString();
    }
    QDir d(dir);
    if (!d.exists() && !QDir().mkpath(dir)) {
        os.setError(QObject::tr("Cannot create the folder %1").arg(dir));
        return QString();
    }
    const QString suffix = extension.isEmpty() ? QString() : "." + extension;
    for (int n = 0; n < 100000; n++) {
        QString path = d.absoluteFilePath(QString("%1_%2%3").arg(prefix).arg(n).arg(suffix));
        QFile f(path);
        // NewOnly: fails if the file exists, so two callers never get the same name.
        if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            f.close();
            return path;
        }
        if (!f.exists()) {
            os.setError(QObject::tr("Cannot create a file in %1: %2").arg(dir, f.errorString()));
            return QString();
        }
    }
    os.setError(QObject::tr("No free temporary file name in %1").arg(dir));
    return QString();
}

}  // namespace Nx
