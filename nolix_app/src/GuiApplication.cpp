#include "GuiApplication.h"

#include <NxPrivate/crash/CrashHandler.h>

namespace Nx {

bool GuiApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        CrashHandler::reportUnhandledException();
        return false;
    }
}

}  // namespace Nx
