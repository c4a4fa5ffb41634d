// Ids of the ports shared by many elements.
#pragma once

#include <QString>

namespace Nx {

class BasePorts {
public:
    static QString IN_VARIATION_TRACK_PORT_ID();
    static QString OUT_VARIATION_TRACK_PORT_ID();
};

}  // namespace Nx
