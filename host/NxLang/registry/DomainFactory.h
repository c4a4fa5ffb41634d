// Worker factories. A domain (the local one: LocalDomainFactory::ID) is itself a registry of
// element factories, one per element id; asking the domain for a worker picks the entry whose
// id is the actor's prototype id.
#pragma once

#include <NxLang/engine/Worker.h>

#include <QList>
#include <QMap>
#include <QString>

namespace Nx {
namespace Workflow {

class Actor;

class DomainFactory {
public:
    explicit DomainFactory(const QString& id) : id(id) {}
    virtual ~DomainFactory();

    const QString& getId() const { return id; }

    // A new worker for the actor (owned by the caller), or null when nothing knows the element.
    virtual Worker* makeWorker(Actor* a);

    // Sub-factories: takes ownership; refuses (false, caller keeps it) a duplicate id.
    bool registerEntry(DomainFactory* f);
    DomainFactory* getById(const QString& entryId) const { return entries.value(entryId); }
    QList<DomainFactory*> getAllEntries() const { return entries.values(); }
    // Deletes the entry with that id; false when there is none.
    bool unregisterEntry(const QString& entryId);

private:
    QString id;
    QMap<QString, DomainFactory*> entries;  // owned
};

// Registry of the domains.
class DomainFactoryRegistry : public DomainFactory {
public:
    DomainFactoryRegistry() : DomainFactory(QStringLiteral("domains")) {}
};

}  // namespace Workflow
using namespace Workflow;
}  // namespace Nx
