// Cheap starts of Python scripts: instead of a new interpreter per run, a pre-started
// interpreter per (interpreter, script, environment) imports the script once and, for every run,
// forks a child that changes to the run's working folder, sets sys.argv, calls the script's
// main(argv) with fresh standard streams and exits with its return value. The child starts from
// the state right after the import, so runs do not see each other; a script sees the same
// arguments, working folder, environment, standard output and error and exit code as when
// started on its own (standard input is empty in both cases; atexit handlers run).
//
// Used only for scripts that define a callable main; anything else (no main, an interpreter
// that cannot start the server, a server that dies) makes run() answer "not available" and the
// caller starts the process as usual. NX_PYTHON_SERVER=0 in the environment turns it off.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace Nx {

class PythonScriptServer {
public:
    struct Outcome {
        bool available = false;  // false: nothing was run, start a process instead
        bool crashed = false;    // the run ended by a signal
        int exitCode = -1;
        QByteArray out;          // standard output and error of the run
        QByteArray err;
    };

    // Whether runs may use the servers (the environment switch above).
    static bool isEnabled();
    // Runs interpreter with arguments (the script path first). canceled is polled while the run
    // waits; when it returns true the run is killed and reported as crashed.
    static Outcome run(const QString& interpreter, const QStringList& arguments, const QString& workingDirectory,
                       const std::function<bool()>& canceled);
    // Stops every idle server (they also stop when the program ends).
    static void shutdown();
};

}  // namespace Nx
