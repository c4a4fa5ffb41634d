// Who uses which shared resource (a document, a database file): a resource is busy while it
// has users, so nobody removes a file that a running task still reads. Not thread-bound:
// tasks register from pool threads.
#pragma once

#include <QMap>
#include <QMutex>
#include <QObject>
#include <QStringList>

namespace Nx {

class ResourceTracker : public QObject {
    Q_OBJECT
public:
    explicit ResourceTracker(QObject* parent = nullptr) : QObject(parent) {}
    ~ResourceTracker() override;

    // user: a name of the owner (a task name); the same user may register several times.
    void registerResourceUser(const QString& resource, const QString& user);
    void unregisterResourceUser(const QString& resource, const QString& user);
    QStringList getResourceUsers(const QString& resource) const;
    bool isBusy(const QString& resource) const { return !getResourceUsers(resource).isEmpty(); }

Q_SIGNALS:
    void si_resourceUserRegistered(const QString& resource, const QString& user);
    void si_resourceUserUnregistered(const QString& resource, const QString& user);

private:
    mutable QMutex lock;
    QMap<QString, QStringList> users;  // resource -> its users, one entry per registration
};

}  // namespace Nx
