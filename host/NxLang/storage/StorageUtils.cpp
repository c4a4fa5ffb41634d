#include "StorageUtils.h"

#include <NxCore/log/Logger.h>
#include <NxLang/storage/DbiDataStorage.h>

namespace Nx {

VariantTrackObject* StorageUtils::getVariantTrackObject(DbiDataStorage* storage, const SharedDbiDataHandler& handler) {
    NX_SAFE_POINT(storage != nullptr, "No data storage", nullptr);
    if (handler.constData() == nullptr || handler->getObjectId().isEmpty()) {
        return nullptr;
    }
    if (handler->getObjectType() != NxObjectTypes::VariantTrack) {
        return nullptr;
    }
    return new VariantTrackObject(handler->getDbiRef(), handler->getObjectId());
}

}  // namespace Nx
