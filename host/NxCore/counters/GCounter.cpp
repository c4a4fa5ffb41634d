#include "GCounter.h"

#include <NxCore/log/Logger.h>

#include <QMutex>

namespace Nx {

namespace {
QMutex& countersLock() {
    static QMutex m;
    return m;
}
QList<GCounter*>& counters() {
    static QList<GCounter*> list;
    return list;
}
}  // namespace

GCounter::GCounter(const QString& n, const QString& s, double sc) : name(n), suffix(s), scale(sc) {
    QMutexLocker l(&countersLock());
    counters().append(this);
}

GCounter::~GCounter() {
    QMutexLocker l(&countersLock());
    counters().removeOne(this);
}

QList<GCounter*> GCounter::allCounters() {
    QMutexLocker l(&countersLock());
    return counters();
}

void GCounter::logReportableCounters() {
    for (GCounter* c : allCounters()) {
        if (c->isReportable()) {
            perfLog.info(QString("%1: %2 %3").arg(c->getName()).arg(c->scaledTotal()).arg(c->getSuffix()));
        }
    }
}

}  // namespace Nx
