#include "SQLiteAttributeDbi.h"

#include "SQLiteDbi.h"
#include "SQLiteQuery.h"
#include "SQLiteTransaction.h"
#include "SQLiteUtils.h"

#include <NxCore/core/NxOpStatus.h>

#include <limits>

namespace Nx {

NX_REGISTER_SQLITE_TABLE(SQLiteTableKind::Attribute, SQLiteAttributeDbi)

namespace {
const char* const INSERT_SQL = "INSERT INTO Attribute(object, name, kind, version, value) VALUES(?1, ?2, ?3, 1, ?4)";
const char* const SELECT_SQL = "SELECT object, name, version, value FROM Attribute WHERE id = ?1 AND kind = ?2";
const char* const REMOVE_SAME_SQL = "DELETE FROM Attribute WHERE object = ?1 AND name = ?2 AND kind = ?3";
}  // namespace

void SQLiteAttributeDbi::initSqlSchema(NxOpStatus& os) {
    SQLiteQuery::exec(
        "CREATE TABLE IF NOT EXISTS Attribute ("
        "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
        "  object BLOB NOT NULL,"
        "  name TEXT NOT NULL,"
        "  kind INTEGER NOT NULL,"
        "  version INTEGER NOT NULL DEFAULT 1,"
        "  value);"
        "CREATE INDEX IF NOT EXISTS AttributeByObject ON Attribute(object, name);",
        db, os);
}

QList<NxDataId> SQLiteAttributeDbi::getObjectAttributes(const NxDataId& objectId, const QString& name, NxOpStatus& os) {
    QList<NxDataId> res;
    const quint64 stamp = db->getReadStamp();
    const bool variation = SQLiteUtils::isWellFormed(objectId) && SQLiteUtils::toType(objectId) == NxEntityTypes::Variant;
    const qint64 row = variation ? SQLiteUtils::toDbRef(objectId) : -1;
    if (stamp != 0 && !name.isEmpty() && row >= 0 && row < std::numeric_limits<qint64>::max() - VARIATION_WINDOW) {
        AttributeWindow& w = variationWindow;
        if (w.stamp != stamp || row < w.firstRow || row >= w.firstRow + VARIATION_WINDOW) {
            w = AttributeWindow();
            // Blobs compare byte by byte: the big-endian row number first, then the type.
            SQLiteQuery q("SELECT object, id, kind, name FROM Attribute WHERE object >= ?1 AND object < ?2 "
                          "ORDER BY object, id",
                          db, os);
            q.bindBlob(1, SQLiteUtils::toDbiId(row, NxEntityTypes::Variant));
            q.bindBlob(2, SQLiteUtils::toDbiId(row + VARIATION_WINDOW, NxEntityTypes::Variant));
            while (q.step()) {
                w.byObject[q.getBlob(0)] << qMakePair(q.getString(3), q.getDataId(1, static_cast<NxDataType>(q.getInt64(2))));
            }
            if (os.hasError()) {
                w = AttributeWindow();
                return res;
            }
            w.stamp = stamp;
            w.firstRow = row;
        }
        const auto found = w.byObject.constFind(objectId);
        if (found != w.byObject.constEnd()) {
            for (const auto& a : found.value()) {
                if (a.first == name) {
                    res << a.second;
                }
            }
        }
        return res;
    }
    if (stamp != 0 && !name.isEmpty()) {
        if (lastObject.stamp != stamp || lastObject.object != objectId) {
            lastObject = ObjectAttributes();
            SQLiteQuery q("SELECT id, kind, name FROM Attribute WHERE object = ?1 ORDER BY id", db, os);
            q.bindBlob(1, objectId);
            while (q.step()) {
                lastObject.byId << qMakePair(q.getString(2), q.getDataId(0, static_cast<NxDataType>(q.getInt64(1))));
            }
            NX_CHECK_OP(os, res);
            lastObject.stamp = stamp;
            lastObject.object = objectId;
        }
        for (const auto& a : qAsConst(lastObject.byId)) {
            if (a.first == name) {
                res << a.second;
            }
        }
        return res;
    }
    SQLiteQuery q(name.isEmpty() ? "SELECT id, kind FROM Attribute WHERE object = ?1 ORDER BY id"
                                 : "SELECT id, kind FROM Attribute WHERE object = ?1 AND name = ?2 ORDER BY id",
                  db, os);
    q.bindBlob(1, objectId);
    if (!name.isEmpty()) {
        q.bindString(2, name);
    }
    while (q.step()) {
        res << q.getDataId(0, static_cast<NxDataType>(q.getInt64(1)));
    }
    return res;
}

bool SQLiteAttributeDbi::readAttribute(const NxDataId& attributeId, NxDataType kind, NxAttribute& attr, SQLiteQuery& q, NxOpStatus& os) {
    qint64 rowId = SQLiteUtils::toDbRef(attributeId, kind, os);
    NX_CHECK_OP(os, false);
    q.bindInt64(1, rowId);
    q.bindInt64(2, kind);
    if (!q.step()) {
        if (!os.hasError()) {
            os.setError(tr("Attribute not found in database '%1'").arg(db->getFilePath()));
        }
        return false;
    }
    attr.id = attributeId;
    attr.objectId = q.getBlob(0);
    attr.name = q.getString(1);
    attr.version = q.getInt64(2);
    return true;
}

NxIntegerAttribute SQLiteAttributeDbi::getIntegerAttribute(const NxDataId& attributeId, NxOpStatus& os) {
    NxIntegerAttribute a;
    SQLiteQuery q(SELECT_SQL, db, os);
    if (readAttribute(attributeId, NxEntityTypes::IntegerAttribute, a, q, os)) {
        a.value = q.getInt64(3);
    }
    return a;
}

NxRealAttribute SQLiteAttributeDbi::getRealAttribute(const NxDataId& attributeId, NxOpStatus& os) {
    NxRealAttribute a;
    SQLiteQuery q(SELECT_SQL, db, os);
    if (readAttribute(attributeId, NxEntityTypes::RealAttribute, a, q, os)) {
        a.value = q.getDouble(3);
    }
    return a;
}

NxStringAttribute SQLiteAttributeDbi::getStringAttribute(const NxDataId& attributeId, NxOpStatus& os) {
    NxStringAttribute a;
    SQLiteQuery q(SELECT_SQL, db, os);
    if (readAttribute(attributeId, NxEntityTypes::StringAttribute, a, q, os)) {
        a.value = q.getString(3);
    }
    return a;
}

NxByteArrayAttribute SQLiteAttributeDbi::getByteArrayAttribute(const NxDataId& attributeId, NxOpStatus& os) {
    NxByteArrayAttribute a;
    SQLiteQuery q(SELECT_SQL, db, os);
    if (readAttribute(attributeId, NxEntityTypes::ByteArrayAttribute, a, q, os)) {
        a.value = q.getBlob(3);
    }
    return a;
}

void SQLiteAttributeDbi::insertAttribute(NxAttribute& attr, NxDataType kind, SQLiteQuery& q, NxOpStatus& os) {
    if (attr.objectId.isEmpty() || attr.name.isEmpty()) {
        os.setError(tr("An attribute needs an object and a name (attribute '%1')").arg(attr.name));
        return;
    }
    q.bindBlob(1, attr.objectId);
    q.bindString(2, attr.name);
    q.bindInt64(3, kind);
    qint64 rowId = q.insert();
    NX_CHECK_OP(os, );
    attr.id = SQLiteUtils::toDbiId(rowId, kind);
    attr.version = 1;
}

void SQLiteAttributeDbi::createIntegerAttribute(NxIntegerAttribute& attr, NxOpStatus& os) {
    SQLiteQuery q(INSERT_SQL, db, os);
    q.bindInt64(4, attr.value);
    insertAttribute(attr, NxEntityTypes::IntegerAttribute, q, os);
}

void SQLiteAttributeDbi::createRealAttribute(NxRealAttribute& attr, NxOpStatus& os) {
    SQLiteQuery q(INSERT_SQL, db, os);
    q.bindDouble(4, attr.value);
    insertAttribute(attr, NxEntityTypes::RealAttribute, q, os);
}

void SQLiteAttributeDbi::createStringAttribute(NxStringAttribute& attr, NxOpStatus& os) {
    SQLiteQuery q(INSERT_SQL, db, os);
    q.bindString(4, attr.value);
    insertAttribute(attr, NxEntityTypes::StringAttribute, q, os);
}

void SQLiteAttributeDbi::createByteArrayAttribute(NxByteArrayAttribute& attr, NxOpStatus& os) {
    SQLiteQuery q(INSERT_SQL, db, os);
    q.bindBlob(4, attr.value);
    insertAttribute(attr, NxEntityTypes::ByteArrayAttribute, q, os);
}

void SQLiteAttributeDbi::removeAttributes(const QList<NxDataId>& attributeIds, NxOpStatus& os) {
    if (attributeIds.isEmpty()) {
        return;
    }
    SQLiteTransaction t(db, os);
    SQLiteQuery q("DELETE FROM Attribute WHERE id = ?1", db, os);
    for (const NxDataId& id : attributeIds) {
        qint64 rowId = SQLiteUtils::toDbRef(id);
        if (rowId < 0) {
            os.setError(tr("Invalid attribute identifier: '%1'").arg(QString::fromLatin1(id.toHex())));
            return;
        }
        q.reset();
        q.bindInt64(1, rowId);
        q.execute();
        NX_CHECK_OP(os, );
    }
}

void SQLiteAttributeDbi::replaceStringAttributes(QList<NxStringAttribute>& attrs, NxOpStatus& os) {
    SQLiteTransaction t(db, os);
    NX_CHECK_OP(os, );
    SQLiteQuery remove(REMOVE_SAME_SQL, db, os);
    SQLiteQuery insert(INSERT_SQL, db, os);
    for (NxStringAttribute& a : attrs) {
        remove.reset();
        remove.bindBlob(1, a.objectId);
        remove.bindString(2, a.name);
        remove.bindInt64(3, NxEntityTypes::StringAttribute);
        remove.execute();
        insert.reset();
        insert.bindString(4, a.value);
        insertAttribute(a, NxEntityTypes::StringAttribute, insert, os);
        NX_CHECK_OP(os, );
    }
}

void SQLiteAttributeDbi::replaceIntegerAttributes(QList<NxIntegerAttribute>& attrs, NxOpStatus& os) {
    SQLiteTransaction t(db, os);
    NX_CHECK_OP(os, );
    SQLiteQuery remove(REMOVE_SAME_SQL, db, os);
    SQLiteQuery insert(INSERT_SQL, db, os);
    for (NxIntegerAttribute& a : attrs) {
        remove.reset();
        remove.bindBlob(1, a.objectId);
        remove.bindString(2, a.name);
        remove.bindInt64(3, NxEntityTypes::IntegerAttribute);
        remove.execute();
        insert.reset();
        insert.bindInt64(4, a.value);
        insertAttribute(a, NxEntityTypes::IntegerAttribute, insert, os);
        NX_CHECK_OP(os, );
    }
}

}  // namespace Nx
