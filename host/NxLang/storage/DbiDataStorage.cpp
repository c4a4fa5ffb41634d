#include "DbiDataStorage.h"

namespace Nx {

SharedDbiDataHandler DbiDataStorage::getDataHandler(const NxDataId& objectId, NxDataType type) const {
    return SharedDbiDataHandler(new DbiDataHandler(ref, objectId, type));
}

SharedDbiDataHandler DbiDataStorage::putVariantTrack(const NxDataId& trackId) const {
    return getDataHandler(trackId, NxObjectTypes::VariantTrack);
}

}  // namespace Nx
