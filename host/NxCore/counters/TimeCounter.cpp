#include "TimeCounter.h"

#include <QElapsedTimer>

namespace Nx {

TimeCounter::TimeCounter(GCounter* c, bool startNow) : counter(c) {
    if (startNow) {
        start();
    }
}

TimeCounter::~TimeCounter() {
    stop();
}

void TimeCounter::start() {
    startTime = getCounter();
    running = true;
}

void TimeCounter::stop() {
    if (!running) {
        return;
    }
    running = false;
    if (counter != nullptr) {
        counter->add(getCounter() - startTime);
    }
}

qint64 TimeCounter::getCounter() {
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.nsecsElapsed();
}

}  // namespace Nx
