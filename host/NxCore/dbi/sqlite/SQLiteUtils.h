// Identifiers of stored rows. Every id handed out by the SQLite tables is 10 bytes: the row id as
// 8 bytes big-endian, then the entity type as 2 bytes big-endian. The type lets a table refuse an
// id of another kind (a track id passed where a variation id is expected) instead of reading the
// wrong row; big-endian keeps ids of one type in row order when compared as byte strings.
#pragma once

#include <NxCore/records/NxEntity.h>

namespace Nx {

class NxOpStatus;

// Type codes of stored entities that are not objects (objects use NxObjectTypes).
namespace NxEntityTypes {
const NxDataType Variant = 100;
const NxDataType IntegerAttribute = 101;
const NxDataType RealAttribute = 102;
const NxDataType StringAttribute = 103;
const NxDataType ByteArrayAttribute = 104;
const NxDataType Feature = 110;
const NxDataType KnownMutation = 111;
const NxDataType DamageEffect = 112;
}  // namespace NxEntityTypes

namespace SQLiteUtils {

const int ID_SIZE = 10;

NxDataId toDbiId(qint64 rowId, NxDataType type);
// Row id of a well-formed id, or -1.
qint64 toDbRef(const NxDataId& id);
// Row id of an id of that type; -1 and an error naming what was expected otherwise.
qint64 toDbRef(const NxDataId& id, NxDataType expectedType, NxOpStatus& os);
// Type of a well-formed id, NxObjectTypes::Unknown otherwise.
NxDataType toType(const NxDataId& id);
bool isWellFormed(const NxDataId& id);

}  // namespace SQLiteUtils

}  // namespace Nx
