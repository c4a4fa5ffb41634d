#include "SNPDatabaseUtils.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/NxObjectDbi.h>
#include <NxCore/dbi/sqlite/SQLiteDbi.h>
#include <NxCore/log/Logger.h>

#include <QFileInfo>

namespace Nx {

namespace {

// SQL tables that the builder always writes, empty or not.
const char* const REFERENCE_SQL_TABLES[] = {"Object",    "Sequence", "SequenceChunk",      "Feature",
                                            "FeatureLocation", "Attribute", "KnownMutationTrack", "KnownMutation"};

// A workflow database has the same table kinds but no sequence: only a file with the reference
// tables and at least one sequence is taken for a reference.
void checkReferenceTables(NxDbi* dbi, NxOpStatus& os) {
    auto* sqlite = dynamic_cast<SQLiteDbi*>(dbi);
    if (sqlite == nullptr || dbi->getObjectDbi() == nullptr || dbi->getSequenceDbi() == nullptr ||
        dbi->getFeatureDbi() == nullptr || dbi->getAttributeDbi() == nullptr || dbi->getKnownMutationsDbi() == nullptr) {
        os.setError("the database lacks the reference tables");
        return;
    }
    QStringList missing;
    for (const char* name : REFERENCE_SQL_TABLES) {
        if (!sqlite->hasSqlTable(name, os)) {
            missing << name;
        }
    }
    NX_CHECK_OP(os, );
    if (!missing.isEmpty()) {
        os.setError(QString("the database lacks the reference tables (%1): not a reference database").arg(missing.join(", ")));
        return;
    }
    if (dbi->getObjectDbi()->getObjects(NxObjectTypes::Sequence, os).isEmpty() && !os.hasError()) {
        os.setError("the database holds no reference sequence: not a reference database (a workflow database?)");
    }
}

}  // namespace

SNPDatabase* SNPDatabaseUtils::openDatabase(const QString& path) {
    NxOpStatusImpl os;
    SNPDatabase* db = openDatabase(path, os);
    if (db == nullptr) {
        ioLog.error(path.isEmpty() ? QString("Cannot open the reference database: %1").arg(os.getError())
                                   : QString("Cannot open the reference database '%1': %2").arg(path, os.getError()));
    }
    return db;
}

SNPDatabase* SNPDatabaseUtils::openDatabase(const QString& path, NxOpStatus& os) {
    if (path.isEmpty()) {
        os.setError("no file given");
        return nullptr;
    }
    QFileInfo fi(path);
    if (!fi.exists()) {
        os.setError("no such file");
        return nullptr;
    }
    if (!fi.isFile()) {
        os.setError("not a file");
        return nullptr;
    }
    if (fi.size() == 0) {
        // SQLite would take an empty file for a new database and write a schema into it.
        os.setError("the file is empty, not a database");
        return nullptr;
    }
    SNPDatabase* db = new SNPDatabase(path);
    // Read-only: the reference is shared by every run and must never gain tables or rows.
    db->getConnection().openReadOnly(db->getDbiRef(), os);
    if (!os.hasError() && db->getDbi() == nullptr) {
        os.setError("no connection");
    }
    if (!os.hasError()) {
        checkReferenceTables(db->getDbi(), os);
    }
    if (os.hasError()) {
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
