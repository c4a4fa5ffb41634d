#include "GApplication.h"

#include <NxPrivate/crash/CrashHandler.h>

namespace Nx {

bool GApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QCoreApplication::notify(receiver, event);
    } catch (...) {
        CrashHandler::reportUnhandledException();
        return false;
    }
}

}  // namespace Nx
