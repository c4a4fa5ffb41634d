// Cheap starts of Python scripts: instead of a new interpreter per run, a pre-started interpreter
// per (interpreter, script, working folder, environment) imports the script once and forks a
// child for every run (tasks/python/script_server.py), or keeps one child for the runs of a script
// that declares its runs independent. A run sees the same arguments, working folder, environment,
// empty standard input, output and exit code as a real start, in a process group that is killed
// at the run's time limit or cancel.
//
// A script the server cannot serve like a real start (no main, code or output at import, files
// left open at import, ...) is refused once, before any of its code ran, logged once, and
// answered "not available" for the rest of the program's life: the caller starts it as a process.
// NX_PYTHON_SERVER=0 in the environment turns the servers off.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace Nx {

class PythonScriptServer {
public:
    struct Request {
        QString interpreter;
        QStringList arguments;        // the script path first
        QString workingDirectory;     // empty: the current one
        int timeLimitMs = 0;          // 0: none; past it the run's group is killed
        qint64 outputLimit = 8 << 20; // standard output bytes; past it the run is killed
        qint64 errorLimit = 64 << 10; // standard error bytes kept (the rest is dropped)
        std::function<bool()> canceled;  // polled while the run waits; true kills the run
    };

    struct Outcome {
        bool available = false;    // false: nothing was run, start a process instead
        bool crashed = false;      // ended by a signal (or the server died during the run)
        int signalNumber = 0;      // the signal, when known
        int exitCode = -1;
        bool timedOut = false;     // killed at the time limit
        bool outputOverflow = false;  // killed for printing more than the output limit
        QByteArray out;            // standard output and (the first part of) error of the run
        QByteArray err;
    };

    // Whether runs may use the servers (the environment switch above).
    static bool isEnabled();
    static Outcome run(const Request& request);
    // Stops every idle server (they also stop when the program ends, however it ends).
    static void shutdown();
};

}  // namespace Nx
