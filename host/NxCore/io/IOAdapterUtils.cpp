#include "IOAdapterUtils.h"

#include <memory>

namespace Nx {

IOAdapter* IOAdapterUtils::open(const GUrl& url, NxOpStatus& os, IOAdapterMode mode) {
    std::unique_ptr<IOAdapter> io(new IOAdapter());
    if (!io->open(url, mode, os)) {
        return nullptr;
    }
    return io.release();
}

}  // namespace Nx
