#include "DomainFactory.h"

#include <NxLang/model/Actor.h>
#include <NxLang/model/ActorPrototype.h>

namespace Nx {
namespace Workflow {

DomainFactory::~DomainFactory() {
    qDeleteAll(entries);
}

Worker* DomainFactory::makeWorker(Actor* a) {
    if (a == nullptr || a->getProto() == nullptr) {
        return nullptr;
    }
    DomainFactory* f = entries.value(a->getProto()->getId());
    return f != nullptr ? f->makeWorker(a) : nullptr;
}

bool DomainFactory::registerEntry(DomainFactory* f) {
    if (f == nullptr || entries.contains(f->getId())) {
        return false;
    }
    entries[f->getId()] = f;
    return true;
}

bool DomainFactory::unregisterEntry(const QString& entryId) {
    DomainFactory* f = entries.take(entryId);
    delete f;
    return f != nullptr;
}

}  // namespace Workflow
}  // namespace Nx
