// Slots (named entries of a map message) shared by many elements.
#pragma once

#include <NxLang/datatype/Descriptor.h>

namespace Nx {

class BaseSlots {
public:
    // Holds a SharedDbiDataHandler of a variation track.
    static Descriptor VARIATION_TRACK_SLOT();
};

}  // namespace Nx
