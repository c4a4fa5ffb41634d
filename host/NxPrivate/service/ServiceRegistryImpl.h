// Keeps the registered services; owns them and deletes what is left at its end.
#pragma once

#include <NxCore/service/ServiceRegistry.h>

namespace Nx {

class ServiceRegistryImpl : public ServiceRegistry {
    Q_OBJECT
public:
    explicit ServiceRegistryImpl(QObject* parent = nullptr) : ServiceRegistry(parent) {}
    ~ServiceRegistryImpl() override;

    bool registerService(Service* s) override;
    bool unregisterService(Service* s) override;
    QList<Service*> getServices() const override { return services; }
    QList<Service*> findServices(const QString& type) const override;

private:
    QList<Service*> services;  // owned, registration order
};

}  // namespace Nx
