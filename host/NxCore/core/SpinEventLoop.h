// Waiting on queued work from code that has no event loop of its own to return to (tests, mostly).
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

namespace Nx {

// Processes events until cond() holds; false after timeoutMs (meant to catch a hang, not to time).
template <class F>
bool spinEventLoopUntil(F cond, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!cond()) {
        if (t.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

}  // namespace Nx
