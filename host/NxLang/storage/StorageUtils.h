// Turns the handles carried by messages back into objects of the workflow database.
#pragma once

#include <NxCore/dbi/VariantTrackObject.h>
#include <NxLang/storage/DbiDataHandler.h>

namespace Nx {

class DbiDataStorage;

class StorageUtils {
public:
    // A new track object for the handle (the caller deletes it), or null when the handle is
    // empty or names no variation track. The track may live in another database than the
    // storage's (the object's reference says which).
    static VariantTrackObject* getVariantTrackObject(DbiDataStorage* storage, const SharedDbiDataHandler& handler);
};

}  // namespace Nx
