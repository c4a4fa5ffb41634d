#include "GApplication.h"

#include <NxPrivate/crash/CrashHandler.h>

namespace Nx {

bool GApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QCoreApplication::notify(receiver, event);
    } catch (...) {
        if (CrashHandler::buffer != nullptr) {
            CrashHandler::releaseReserve();
        }
        CrashHandler::runMonitorProcess("C++ exception|Unhandled exception");
        return false;
    }
}

}  // namespace Nx
