#include "GuiApplication.h"

#include <NxPrivate/crash/CrashHandler.h>

namespace Nx {

bool GuiApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        if (CrashHandler::buffer != nullptr) {
            CrashHandler::releaseReserve();
        }
        CrashHandler::runMonitorProcess("C++ exception|Unhandled exception");
        return false;
    }
}

}  // namespace Nx
