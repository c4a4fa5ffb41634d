#include "ActorPrototypeRegistry.h"

#include <NxCore/log/Logger.h>

namespace Nx {
namespace Workflow {

ActorPrototypeRegistry::~ActorPrototypeRegistry() {
    for (const QList<ActorPrototype*>& l : groups) {
        qDeleteAll(l);
    }
}

bool ActorPrototypeRegistry::registerProto(const Descriptor& category, ActorPrototype* proto) {
    NX_SAFE_POINT(proto != nullptr, "Null prototype", false);
    if (getProto(proto->getId()) != nullptr) {
        coreLog.error(tr("Element type \"%1\" is already registered").arg(proto->getId()));
        return false;
    }
    groups[category] << proto;
    Q_EMIT si_registryModified();
    return true;
}

ActorPrototype* ActorPrototypeRegistry::getProto(const QString& id) const {
    for (const QList<ActorPrototype*>& l : groups) {
        for (ActorPrototype* p : l) {
            if (p->getId() == id) {
                return p;
            }
        }
    }
    return nullptr;
}

bool ActorPrototypeRegistry::unregisterProto(const QString& id) {
    for (auto it = groups.begin(); it != groups.end(); ++it) {
        for (ActorPrototype* p : it.value()) {
            if (p->getId() == id) {
                it.value().removeAll(p);
                if (it.value().isEmpty()) {
                    groups.erase(it);
                }
                delete p;
                Q_EMIT si_registryModified();
                return true;
            }
        }
    }
    return false;
}

QList<ActorPrototype*> ActorPrototypeRegistry::getAllProtos() const {
    QList<ActorPrototype*> res;
    for (const QList<ActorPrototype*>& l : groups) {
        res << l;
    }
    return res;
}

}  // namespace Workflow
}  // namespace Nx
