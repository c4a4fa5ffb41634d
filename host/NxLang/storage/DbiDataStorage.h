// The workflow database of one run, as the workers see it: its reference, and handles for the
// objects stored in it.
#pragma once

#include <NxLang/storage/DbiDataHandler.h>

namespace Nx {

class DbiDataStorage {
public:
    explicit DbiDataStorage(const NxDbiRef& sessionRef) : ref(sessionRef) {}

    const NxDbiRef& getDbiRef() const { return ref; }

    // Handle for an object of this database.
    SharedDbiDataHandler getDataHandler(const NxDataId& objectId, NxDataType type) const;
    // Handle for a variation track of this database.
    SharedDbiDataHandler putVariantTrack(const NxDataId& trackId) const;

private:
    NxDbiRef ref;  // the session database file
};

}  // namespace Nx
