#include "NxOpStatus.h"

#include <NxCore/log/Logger.h>

namespace Nx {

void NxOpStatusImpl::setError(const QString& err) {
    QMutexLocker l(&lock);
    if (errorSet.load()) {
        return;
    }
    error = err.isEmpty() ? QStringLiteral("Unknown error") : err;
    errorSet.store(true);
}

QString NxOpStatusImpl::getError() const {
    QMutexLocker l(&lock);
    return error;
}

QString NxOpStatusImpl::getDescription() const {
    QMutexLocker l(&lock);
    return description;
}

void NxOpStatusImpl::setDescription(const QString& d) {
    QMutexLocker l(&lock);
    description = d;
}

void NxOpStatus2Log::setError(const QString& err) {
    bool first = !hasError();
    NxOpStatusImpl::setError(err);
    if (first) {
        coreLog.message(static_cast<LogLevel>(level), err);
    }
}

}  // namespace Nx
