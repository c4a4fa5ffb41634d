// Attribute table: named integer, real, string and byte-array values on any identifier (a
// variation, an object, a feature of the reference database). One table holds all four kinds;
// the value column has no declared type, so SQLite keeps each value in its own storage class.
// The attribute id's type code is the kind (NxEntityTypes::*Attribute).
#pragma once

#include <NxCore/dbi/NxAttributeDbi.h>
#include <NxCore/dbi/sqlite/SQLiteTable.h>

#include <QCoreApplication>
#include <QHash>

namespace Nx {

class SQLiteQuery;

class SQLiteAttributeDbi : public SQLiteTable, public NxAttributeDbi {
    Q_DECLARE_TR_FUNCTIONS(Nx::SQLiteAttributeDbi)
public:
    explicit SQLiteAttributeDbi(SQLiteDbi* db) : SQLiteTable(db) {}

    void initSqlSchema(NxOpStatus& os) override;

    // In id (creation) order.
    QList<NxDataId> getObjectAttributes(const NxDataId& objectId, const QString& name, NxOpStatus& os) override;

    NxIntegerAttribute getIntegerAttribute(const NxDataId& attributeId, NxOpStatus& os) override;
    NxRealAttribute getRealAttribute(const NxDataId& attributeId, NxOpStatus& os) override;
    NxStringAttribute getStringAttribute(const NxDataId& attributeId, NxOpStatus& os) override;
    NxByteArrayAttribute getByteArrayAttribute(const NxDataId& attributeId, NxOpStatus& os) override;

    void createIntegerAttribute(NxIntegerAttribute& attr, NxOpStatus& os) override;
    void createRealAttribute(NxRealAttribute& attr, NxOpStatus& os) override;
    void createStringAttribute(NxStringAttribute& attr, NxOpStatus& os) override;
    void createByteArrayAttribute(NxByteArrayAttribute& attr, NxOpStatus& os) override;

    void removeAttributes(const QList<NxDataId>& attributeIds, NxOpStatus& os) override;

    // One transaction, two prepared statements for the whole batch.
    void replaceStringAttributes(QList<NxStringAttribute>& attrs, NxOpStatus& os) override;
    void replaceIntegerAttributes(QList<NxIntegerAttribute>& attrs, NxOpStatus& os) override;

private:
    // Reads the common fields of attribute attributeId of that kind; false (and an error) when absent.
    bool readAttribute(const NxDataId& attributeId, NxDataType kind, NxAttribute& attr, SQLiteQuery& q, NxOpStatus& os);
    // Inserts one row with q's value already bound at ?4; sets attr's id and version.
    void insertAttribute(NxAttribute& attr, NxDataType kind, SQLiteQuery& q, NxOpStatus& os);

    // Inside a transaction: the attributes of a window of variations (the report asks for
    // several names of each variation in turn, variation after variation; their ids sort by row
    // number, so a window is one range of ids and one query), and those of the last other object
    // asked for (one query per object instead of one per name).
    static const qint64 VARIATION_WINDOW = 4096;
    struct AttributeWindow {
        quint64 stamp = 0;   // SQLiteDbi::getReadStamp() when read; 0: nothing cached
        qint64 firstRow = 0; // variation rows [firstRow, firstRow + VARIATION_WINDOW)
        QHash<NxDataId, QList<QPair<QString, NxDataId>>> byObject;  // (name, id) in id order
    };
    AttributeWindow variationWindow;
    struct ObjectAttributes {
        quint64 stamp = 0;  // SQLiteDbi::getReadStamp() when read; 0: nothing cached
        NxDataId object;
        QList<QPair<QString, NxDataId>> byId;  // (name, id) in id order
    };
    ObjectAttributes lastObject;
};

}  // namespace Nx
