#include "SNPDatabaseUtils.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/NxObjectDbi.h>
#include <NxCore/log/Logger.h>

#include <QFileInfo>

namespace Nx {

SNPDatabase* SNPDatabaseUtils::openDatabase(const QString& path) {
    if (path.isEmpty()) {
        ioLog.error("Cannot open the reference database: no file given");
        return nullptr;
    }
    QFileInfo fi(path);
    if (!fi.exists()) {
        ioLog.error(QString("Cannot open the reference database '%1': no such file").arg(path));
        return nullptr;
    }
    if (!fi.isFile()) {
        ioLog.error(QString("Cannot open the reference database '%1': not a file").arg(path));
        return nullptr;
    }
    if (fi.size() == 0) {
        // SQLite would take an empty file for a new database and write a schema into it.
        ioLog.error(QString("Cannot open the reference database '%1': the file is empty, not a database").arg(path));
        return nullptr;
    }
    SNPDatabase* db = new SNPDatabase(path);
    NxOpStatusImpl os;
    db->getConnection().open(db->getDbiRef(), false, os);
    if (!os.hasError() && db->getDbi() == nullptr) {
        os.setError("no connection");
    }
    if (!os.hasError()) {
        NxDbi* dbi = db->getDbi();
        if (dbi->getObjectDbi() == nullptr || dbi->getSequenceDbi() == nullptr || dbi->getFeatureDbi() == nullptr ||
            dbi->getAttributeDbi() == nullptr || dbi->getKnownMutationsDbi() == nullptr) {
            os.setError("the database lacks the reference tables");
        }
    }
    if (os.hasError()) {
        ioLog.error(QString("Cannot open the reference database '%1': %2").arg(path, os.getError()));
        delete db;
        return nullptr;
    }
    return db;
}

NxDataId SNPDatabaseUtils::getSequenceId(const QString& sequenceName, NxObjectDbi* objectDbi) {
    if (objectDbi == nullptr || sequenceName.isEmpty()) {
        return NxDataId();
    }
    QStringList names;
    names << sequenceName;
    if (sequenceName.startsWith(QLatin1String("chr"), Qt::CaseInsensitive)) {
        names << sequenceName.mid(3);
    } else {
        names << "chr" + sequenceName;
    }
    for (const QString& name : names) {
        if (name.isEmpty()) {
            continue;
        }
        NxOpStatusImpl os;
        QList<NxDataId> ids = objectDbi->getObjectsByVisualName(name, NxObjectTypes::Sequence, os);
        if (!os.hasError() && !ids.isEmpty()) {
            return ids.first();
        }
    }
    return NxDataId();
}

}  // namespace Nx
