// Object table: every stored object (sequence, variation track, known-mutation track) with its
// type, version and visible name.
#pragma once

#include <NxCore/dbi/NxDbiIterator.h>
#include <NxCore/records/NxEntity.h>

namespace Nx {

class NxOpStatus;

class NxObjectDbi {
public:
    virtual ~NxObjectDbi() = default;

    // Stores a new object; sets obj.id, obj.dbiId and obj.version.
    virtual void createObject(NxObject& obj, NxDataType type, NxOpStatus& os) = 0;
    // The stored object with that id, or an object with an empty id (and an error) when absent.
    virtual NxObject getObject(const NxDataId& id, NxOpStatus& os) = 0;
    virtual NxDataType getObjectType(const NxDataId& id, NxOpStatus& os) = 0;
    // Ids of the objects of that type (any type when type is Unknown) with that visible name,
    // in creation order.
    virtual QList<NxDataId> getObjectsByVisualName(const QString& name, NxDataType type, NxOpStatus& os) = 0;
    virtual QList<NxDataId> getObjects(NxDataType type, NxOpStatus& os) = 0;
    virtual void renameObject(const NxDataId& id, const QString& newName, NxOpStatus& os) = 0;
    virtual void removeObject(const NxDataId& id, NxOpStatus& os) = 0;
};

}  // namespace Nx
