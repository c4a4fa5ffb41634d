// Base records of everything stored in a database: an entity has an identifier; an object is an
// entity that also knows its database, version and the name a user sees.
#pragma once

#include <QByteArray>
#include <QString>

namespace Nx {

typedef QByteArray NxDataId;
typedef quint16 NxDataType;

// Object type codes stored with every object.
namespace NxObjectTypes {
const NxDataType Unknown = 0;
const NxDataType Sequence = 1;
const NxDataType VariantTrack = 5;
const NxDataType FeatureTable = 6;
const NxDataType KnownMutationsTrack = 8;
}  // namespace NxObjectTypes

class NxEntity {
public:
    NxEntity() = default;
    explicit NxEntity(const NxDataId& id) : id(id) {}
    virtual ~NxEntity() = default;
    // Spelled out: the virtual destructor would otherwise leave records without moves.
    NxEntity(const NxEntity&) = default;
    NxEntity(NxEntity&&) noexcept = default;
    NxEntity& operator=(const NxEntity&) = default;
    NxEntity& operator=(NxEntity&&) noexcept = default;

    bool hasValidId() const { return !id.isEmpty(); }

    NxDataId id;
};

class NxObject : public NxEntity {
public:
    virtual NxDataType getType() const { return NxObjectTypes::Unknown; }

    QString dbiId;      // database the object lives in
    qint64 version = 0;
    QString visualName; // name shown to the user (a chromosome name for sequences)
};

}  // namespace Nx
