// Long-lived services of the suite (a project view, a remote database client) that others find
// by type. ServiceRegistryImpl (NxPrivate) keeps them; it owns what is registered.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

namespace Nx {

class Service : public QObject {
    Q_OBJECT
public:
    enum State { State_Disabled, State_Enabled };

    Service(const QString& type, const QString& name, const QString& description = QString())
        : type(type), name(name), description(description) {}

    const QString& getType() const { return type; }
    const QString& getName() const { return name; }
    const QString& getDescription() const { return description; }
    State getState() const { return state; }
    bool isEnabled() const { return state == State_Enabled; }
    void setState(State s);

Q_SIGNALS:
    void si_stateChanged(Nx::Service* s);

private:
    QString type;         // what it is, e.g. "project_view"
    QString name;
    QString description;
    State state = State_Disabled;
};

class ServiceRegistry : public QObject {
    Q_OBJECT
public:
    explicit ServiceRegistry(QObject* parent = nullptr) : QObject(parent) {}

    // Takes ownership and enables the service; false for null or an already registered one.
    virtual bool registerService(Service* s) = 0;
    // Disables, forgets and deletes it.
    virtual bool unregisterService(Service* s) = 0;
    virtual QList<Service*> getServices() const = 0;
    virtual QList<Service*> findServices(const QString& type) const = 0;

Q_SIGNALS:
    void si_serviceRegistered(Nx::Service* s);
    void si_serviceUnregistered(Nx::Service* s);
};

}  // namespace Nx
