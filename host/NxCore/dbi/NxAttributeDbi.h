// Attribute table: named values attached to an object or feature identifier.
#pragma once

#include <NxCore/records/NxAttribute.h>

#include <QList>

namespace Nx {

class NxOpStatus;

class NxAttributeDbi {
public:
    virtual ~NxAttributeDbi() = default;

    // Ids of the attributes of objectId, all of them when name is empty, else of that name.
    virtual QList<NxDataId> getObjectAttributes(const NxDataId& objectId, const QString& name, NxOpStatus& os) = 0;

    virtual NxIntegerAttribute getIntegerAttribute(const NxDataId& attributeId, NxOpStatus& os) = 0;
    virtual NxRealAttribute getRealAttribute(const NxDataId& attributeId, NxOpStatus& os) = 0;
    virtual NxStringAttribute getStringAttribute(const NxDataId& attributeId, NxOpStatus& os) = 0;
    virtual NxByteArrayAttribute getByteArrayAttribute(const NxDataId& attributeId, NxOpStatus& os) = 0;

    // Store a new attribute; set attr.id.
    virtual void createIntegerAttribute(NxIntegerAttribute& attr, NxOpStatus& os) = 0;
    virtual void createRealAttribute(NxRealAttribute& attr, NxOpStatus& os) = 0;
    virtual void createStringAttribute(NxStringAttribute& attr, NxOpStatus& os) = 0;
    virtual void createByteArrayAttribute(NxByteArrayAttribute& attr, NxOpStatus& os) = 0;

    virtual void removeAttributes(const QList<NxDataId>& attributeIds, NxOpStatus& os) = 0;

    // Batch writes. Each attribute replaces the attributes of the same object, name and kind;
    // sets attr.id. A database overrides these to write a batch in one transaction.
    virtual void replaceStringAttributes(QList<NxStringAttribute>& attrs, NxOpStatus& os);
    virtual void replaceIntegerAttributes(QList<NxIntegerAttribute>& attrs, NxOpStatus& os);
};

}  // namespace Nx
