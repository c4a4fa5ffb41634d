// Object table: one row per stored object (variation track, sequence, known-mutation track...).
// Tables of typed objects keep their own rows keyed by the object's row id, with a foreign key
// that cascades on removeObject. Object ids carry the object's type (see SQLiteUtils).
#pragma once

#include <NxCore/dbi/NxObjectDbi.h>
#include <NxCore/dbi/sqlite/SQLiteTable.h>

#include <QCoreApplication>

namespace Nx {

class SQLiteObjectDbi : public SQLiteTable, public NxObjectDbi {
    Q_DECLARE_TR_FUNCTIONS(Nx::SQLiteObjectDbi)
public:
    explicit SQLiteObjectDbi(SQLiteDbi* db) : SQLiteTable(db) {}

    void initSqlSchema(NxOpStatus& os) override;

    void createObject(NxObject& obj, NxDataType type, NxOpStatus& os) override;
    NxObject getObject(const NxDataId& id, NxOpStatus& os) override;
    NxDataType getObjectType(const NxDataId& id, NxOpStatus& os) override;
    QList<NxDataId> getObjectsByVisualName(const QString& name, NxDataType type, NxOpStatus& os) override;
    QList<NxDataId> getObjects(NxDataType type, NxOpStatus& os) override;
    void renameObject(const NxDataId& id, const QString& newName, NxOpStatus& os) override;
    void removeObject(const NxDataId& id, NxOpStatus& os) override;

    // Row id of an object id; -1 and an error when the id is malformed.
    static qint64 toRowId(const NxDataId& id, NxOpStatus& os);
};

}  // namespace Nx
