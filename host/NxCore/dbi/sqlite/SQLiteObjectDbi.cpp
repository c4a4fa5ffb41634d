#include "SQLiteObjectDbi.h"

#include "SQLiteDbi.h"
#include "SQLiteQuery.h"
#include "SQLiteUtils.h"

#include <NxCore/core/NxOpStatus.h>

namespace Nx {

NX_REGISTER_SQLITE_TABLE(SQLiteTableKind::Object, SQLiteObjectDbi)

void SQLiteObjectDbi::initSqlSchema(NxOpStatus& os) {
    // AUTOINCREMENT: an id of a removed object must never name a later one.
    SQLiteQuery::exec(
        "CREATE TABLE IF NOT EXISTS Object ("
        "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
        "  type INTEGER NOT NULL,"
        "  version INTEGER NOT NULL DEFAULT 1,"
        "  name TEXT NOT NULL);"
        "CREATE INDEX IF NOT EXISTS ObjectByName ON Object(name);"
        "CREATE INDEX IF NOT EXISTS ObjectByType ON Object(type);",
        db, os);
}

qint64 SQLiteObjectDbi::toRowId(const NxDataId& id, NxOpStatus& os) {
    qint64 rowId = SQLiteUtils::toDbRef(id);
    if (rowId < 0) {
        os.setError(tr("Invalid object identifier: '%1'").arg(QString::fromLatin1(id.toHex())));
    }
    return rowId;
}

void SQLiteObjectDbi::createObject(NxObject& obj, NxDataType type, NxOpStatus& os) {
    SQLiteQuery q("INSERT INTO Object(type, version, name) VALUES(?1, 1, ?2)", db, os);
    q.bindInt64(1, type);
    q.bindString(2, obj.visualName);
    qint64 rowId = q.insert();
    NX_CHECK_OP(os, );
    obj.id = SQLiteUtils::toDbiId(rowId, type);
    obj.dbiId = db->getFilePath();
    obj.version = 1;
}

NxObject SQLiteObjectDbi::getObject(const NxDataId& id, NxOpStatus& os) {
    NxObject res;
    qint64 rowId = toRowId(id, os);
    NX_CHECK_OP(os, res);
    SQLiteQuery q("SELECT type, version, name FROM Object WHERE id = ?1", db, os);
    q.bindInt64(1, rowId);
    if (!q.step()) {
        if (!os.hasError()) {
            os.setError(tr("Object not found in database '%1'").arg(db->getFilePath()));
        }
        return res;
    }
    res.id = SQLiteUtils::toDbiId(rowId, static_cast<NxDataType>(q.getInt64(0)));
    res.version = q.getInt64(1);
    res.visualName = q.getString(2);
    res.dbiId = db->getFilePath();
    return res;
}

NxDataType SQLiteObjectDbi::getObjectType(const NxDataId& id, NxOpStatus& os) {
    qint64 rowId = toRowId(id, os);
    NX_CHECK_OP(os, NxObjectTypes::Unknown);
    SQLiteQuery q("SELECT type FROM Object WHERE id = ?1", db, os);
    q.bindInt64(1, rowId);
    qint64 type = q.selectInt64(-1);
    if (type < 0) {
        if (!os.hasError()) {
            os.setError(tr("Object not found in database '%1'").arg(db->getFilePath()));
        }
        return NxObjectTypes::Unknown;
    }
    return static_cast<NxDataType>(type);
}

QList<NxDataId> SQLiteObjectDbi::getObjectsByVisualName(const QString& name, NxDataType type, NxOpStatus& os) {
    QList<NxDataId> res;
    bool anyType = type == NxObjectTypes::Unknown;
    SQLiteQuery q(anyType ? "SELECT id, type FROM Object WHERE name = ?1 ORDER BY id"
                          : "SELECT id, type FROM Object WHERE name = ?1 AND type = ?2 ORDER BY id",
                  db, os);
    q.bindString(1, name);
    if (!anyType) {
        q.bindInt64(2, type);
    }
    while (q.step()) {
        res << SQLiteUtils::toDbiId(q.getInt64(0), static_cast<NxDataType>(q.getInt64(1)));
    }
    return res;
}

QList<NxDataId> SQLiteObjectDbi::getObjects(NxDataType type, NxOpStatus& os) {
    QList<NxDataId> res;
    bool anyType = type == NxObjectTypes::Unknown;
    SQLiteQuery q(anyType ? "SELECT id, type FROM Object ORDER BY id"
                          : "SELECT id, type FROM Object WHERE type = ?1 ORDER BY id",
                  db, os);
    if (!anyType) {
        q.bindInt64(1, type);
    }
    while (q.step()) {
        res << SQLiteUtils::toDbiId(q.getInt64(0), static_cast<NxDataType>(q.getInt64(1)));
    }
    return res;
}

void SQLiteObjectDbi::renameObject(const NxDataId& id, const QString& newName, NxOpStatus& os) {
    qint64 rowId = toRowId(id, os);
    NX_CHECK_OP(os, );
    SQLiteQuery q("UPDATE Object SET name = ?1, version = version + 1 WHERE id = ?2", db, os);
    q.bindString(1, newName);
    q.bindInt64(2, rowId);
    if (q.execute() == 0) {
        os.setError(tr("Object not found in database '%1'").arg(db->getFilePath()));
    }
}

void SQLiteObjectDbi::removeObject(const NxDataId& id, NxOpStatus& os) {
    qint64 rowId = toRowId(id, os);
    NX_CHECK_OP(os, );
    SQLiteQuery q("DELETE FROM Object WHERE id = ?1", db, os);
    q.bindInt64(1, rowId);
    if (q.execute() == 0) {
        os.setError(tr("Object not found in database '%1'").arg(db->getFilePath()));
    }
}

}  // namespace Nx
