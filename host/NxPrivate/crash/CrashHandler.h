// Crash reporting of the suite. setupHandler() arms handlers for the fatal signals (on an
// alternate stack, so a stack overflow is reported too); a handler writes a crash description
// with a stack trace to a file in the crash folder and to standard error, then lets the signal
// end the process as usual. The crash folder is $NX_CRASH_DIR, else
// ~/.local/share/Nolix/crash_reports (the temporary folder when that cannot be made); every
// report names its file on standard error. preallocateReservedSpace() sets memory aside that
// releaseReserve() gives back, so that reporting still works when memory ran out.
#pragma once

#include <QString>

namespace Nx {

class CrashHandler {
public:
    static void setupHandler();
    static void preallocateReservedSpace();
    static void releaseReserve();
    // Writes a crash report with the description ("<kind>|<details>", e.g.
    // "C++ exception|Unhandled exception") and the current stack; returns the report's path
    // (empty when nothing could be written). Safe to call outside a signal handler only.
    static QString runMonitorProcess(const QString& description);
    // What the programs' event dispatch does with an exception an event handler let through:
    // frees the reserve (when there is one) and writes the report "C++ exception|Unhandled
    // exception". The event then counts as not handled and the loop goes on.
    static void reportUnhandledException();

    static QString crashReportDir();
    static bool isHandlerSet() { return handlerSet; }

    // Whether reports may be sent to the developers; this build only writes them locally.
    static bool sendCrashReports;
    // The reserve of preallocateReservedSpace(); null when there is none.
    static char* buffer;

private:
    static bool handlerSet;
};

}  // namespace Nx
