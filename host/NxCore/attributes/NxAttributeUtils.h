// Finding and setting attributes by (object, name). When an object has several attributes of
// one name and kind, the most recently created one is the one found; the set* helpers replace,
// so normally there is just one.
#pragma once

#include <NxCore/records/NxAttribute.h>

#include <QList>

namespace Nx {

class NxAttributeDbi;
class NxOpStatus;

class NxAttributeUtils {
public:
    // The attribute, or a record with an empty id when the object has none of that name and kind
    // (not an error). A null table is an error.
    static NxIntegerAttribute findIntegerAttribute(NxAttributeDbi* dbi, const NxDataId& objectId, const QString& name, NxOpStatus& os);
    static NxRealAttribute findRealAttribute(NxAttributeDbi* dbi, const NxDataId& objectId, const QString& name, NxOpStatus& os);
    static NxStringAttribute findStringAttribute(NxAttributeDbi* dbi, const NxDataId& objectId, const QString& name, NxOpStatus& os);
    static NxByteArrayAttribute findByteArrayAttribute(NxAttributeDbi* dbi, const NxDataId& objectId, const QString& name, NxOpStatus& os);

    // Store value under name on the object, replacing an earlier attribute of that name and kind.
    static void setIntegerAttribute(NxAttributeDbi* dbi, const NxDataId& objectId, const QString& name, qint64 value, NxOpStatus& os);
    static void setRealAttribute(NxAttributeDbi* dbi, const NxDataId& objectId, const QString& name, double value, NxOpStatus& os);
    static void setStringAttribute(NxAttributeDbi* dbi, const NxDataId& objectId, const QString& name, const QString& value, NxOpStatus& os);
    static void setByteArrayAttribute(NxAttributeDbi* dbi, const NxDataId& objectId, const QString& name, const QByteArray& value, NxOpStatus& os);

    // A batch of string attributes (e.g. one result per variation), written in one transaction.
    static void setStringAttributes(NxAttributeDbi* dbi, QList<NxStringAttribute>& attrs, NxOpStatus& os);

    // A record ready for create*/setStringAttributes.
    static NxStringAttribute initStringAttribute(const NxDataId& objectId, const QString& name, const QString& value);
    static NxIntegerAttribute initIntegerAttribute(const NxDataId& objectId, const QString& name, qint64 value);
};

}  // namespace Nx
