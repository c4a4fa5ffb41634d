#include "ServiceRegistryImpl.h"

namespace Nx {

ServiceRegistryImpl::~ServiceRegistryImpl() {
    // Last registered goes first: later services may depend on earlier ones.
    while (!services.isEmpty()) {
        delete services.takeLast();
    }
}

bool ServiceRegistryImpl::registerService(Service* s) {
    if (s == nullptr || services.contains(s)) {
        return false;
    }
    services.append(s);
    s->setState(Service::State_Enabled);
    Q_EMIT si_serviceRegistered(s);
    return true;
}

bool ServiceRegistryImpl::unregisterService(Service* s) {
    if (!services.removeOne(s)) {
        return false;
    }
    s->setState(Service::State_Disabled);
    Q_EMIT si_serviceUnregistered(s);
    delete s;
    return true;
}

QList<Service*> ServiceRegistryImpl::findServices(const QString& type) const {
    QList<Service*> res;
    for (Service* s : services) {
        if (s->getType() == type) {
            res.append(s);
        }
    }
    return res;
}

}  // namespace Nx
