#include "GTestFormat.h"

namespace Nx {

GTestFormatRegistry::~GTestFormatRegistry() {
    qDeleteAll(formats);
}

bool GTestFormatRegistry::registerTestFormat(GTestFormat* f) {
    if (f == nullptr || findFormat(f->getFormatId()) != nullptr) {
        return false;
    }
    formats.append(f);
    return true;
}

bool GTestFormatRegistry::unregisterTestFormat(GTestFormat* f) {
    if (!formats.removeOne(f)) {
        return false;
    }
    delete f;
    return true;
}

GTestFormat* GTestFormatRegistry::findFormat(const QString& id) const {
    for (GTestFormat* f : formats) {
        if (f->getFormatId() == id) {
            return f;
        }
    }
    return nullptr;
}

}  // namespace Nx
