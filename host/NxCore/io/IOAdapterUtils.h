// Opening files through the suite's file layer.
#pragma once

#include <NxCore/io/IOAdapter.h>

namespace Nx {

class IOAdapterUtils {
public:
    // A new open adapter the caller deletes, or null with the error in os.
    static IOAdapter* open(const GUrl& url, NxOpStatus& os, IOAdapterMode mode = IOAdapterMode::Read);
};

}  // namespace Nx
