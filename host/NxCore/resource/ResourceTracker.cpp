#include "ResourceTracker.h"

#include <NxCore/log/Logger.h>

namespace Nx {

ResourceTracker::~ResourceTracker() {
    for (auto it = users.constBegin(); it != users.constEnd(); ++it) {
        if (!it.value().isEmpty()) {
            coreLog.details(QString("Resource %1 is still used at shutdown by: %2")
                                .arg(it.key(), it.value().join(", ")));
        }
    }
}

void ResourceTracker::registerResourceUser(const QString& resource, const QString& user) {
    {
        QMutexLocker l(&lock);
        users[resource].append(user);
    }
    Q_EMIT si_resourceUserRegistered(resource, user);
}

void ResourceTracker::unregisterResourceUser(const QString& resource, const QString& user) {
    {
        QMutexLocker l(&lock);
        auto it = users.find(resource);
        if (it == users.end() || !it.value().removeOne(user)) {
            NX_RECOVER_MSG(QString("Resource %1 has no user %2").arg(resource, user));
            return;
        }
        if (it.value().isEmpty()) {
            users.erase(it);
        }
    }
    Q_EMIT si_resourceUserUnregistered(resource, user);
}

QStringList ResourceTracker::getResourceUsers(const QString& resource) const {
    QMutexLocker l(&lock);
    return users.value(resource);
}

}  // namespace Nx
