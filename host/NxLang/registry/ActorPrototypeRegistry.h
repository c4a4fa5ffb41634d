// Every element type the suite knows, grouped by category. Owns the registered prototypes.
#pragma once

#include <NxLang/model/ActorPrototype.h>

#include <QMap>
#include <QObject>

namespace Nx {
namespace Workflow {

class ActorPrototypeRegistry : public QObject {
    Q_OBJECT
public:
    ActorPrototypeRegistry() = default;
    ~ActorPrototypeRegistry() override;

    // Takes ownership. Refuses (returns false, ownership stays with the caller) a second
    // prototype with the same id.
    bool registerProto(const Descriptor& category, ActorPrototype* proto);
    ActorPrototype* getProto(const QString& id) const;
    // Deletes the prototype; false when none has that id.
    bool unregisterProto(const QString& id);
    // Category -> prototypes in registration order.
    QMap<Descriptor, QList<ActorPrototype*>> getProtos() const { return groups; }
    QList<ActorPrototype*> getAllProtos() const;

Q_SIGNALS:
    void si_registryModified();

private:
    QMap<Descriptor, QList<ActorPrototype*>> groups;
};

}  // namespace Workflow
using namespace Workflow;
}  // namespace Nx
