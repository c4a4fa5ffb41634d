// The handle that a message slot holds for an object of the workflow database: which database
// and which object. Cheap to copy; it never holds the object's data.
#pragma once

#include <NxCore/records/NxDbiRef.h>
#include <NxCore/records/NxEntity.h>

#include <QExplicitlySharedDataPointer>
#include <QMetaType>
#include <QSharedData>

namespace Nx {

class DbiDataHandler : public QSharedData {
public:
    DbiDataHandler(const NxDbiRef& dbiRef, const NxDataId& objectId, NxDataType type)
        : dbiRef(dbiRef), objectId(objectId), type(type) {}

    const NxDbiRef& getDbiRef() const { return dbiRef; }
    const NxDataId& getObjectId() const { return objectId; }
    NxDataType getObjectType() const { return type; }

private:
    NxDbiRef dbiRef;   // database that holds the object
    NxDataId objectId;
    NxDataType type;   // NxObjectTypes code
};

typedef QExplicitlySharedDataPointer<DbiDataHandler> SharedDbiDataHandler;

}  // namespace Nx

Q_DECLARE_METATYPE(Nx::SharedDbiDataHandler)
