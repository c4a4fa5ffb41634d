// Types of the values that travel on ports and live in attributes. A map type names the slots a
// message of that type carries (slot descriptor -> slot type); a single type is a plain value.
#pragma once

#include <NxLang/datatype/Descriptor.h>

#include <QList>
#include <QMap>
#include <QSharedPointer>

namespace Nx {

class DataType;
typedef QSharedPointer<DataType> DataTypePtr;

class DataType : public Descriptor {
public:
    enum Kind { Single, Map };

    DataType(const Descriptor& d) : Descriptor(d) {}
    DataType(const QString& id, const QString& name, const QString& doc) : Descriptor(id, name, doc) {}

    virtual Kind kind() const { return Single; }
    bool isMap() const { return kind() == Map; }
    // Slots of a map type; empty for a single type.
    virtual QMap<Descriptor, DataTypePtr> getDatatypesMap() const { return {}; }
    virtual QList<Descriptor> getAllDescriptors() const { return getDatatypesMap().keys(); }
    virtual DataTypePtr getDatatypeByDescriptor(const Descriptor& d) const { return getDatatypesMap().value(d); }
};

class MapDataType : public DataType {
public:
    MapDataType(const Descriptor& d, const QMap<Descriptor, DataTypePtr>& slotTypes)
        : DataType(d), slotTypes(slotTypes) {}

    Kind kind() const override { return Map; }
    QMap<Descriptor, DataTypePtr> getDatatypesMap() const override { return slotTypes; }

private:
    QMap<Descriptor, DataTypePtr> slotTypes;  // slot -> type of the value in that slot
};

}  // namespace Nx
