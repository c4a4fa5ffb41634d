// Whether a process id names a process that is still running: the owner of a temporary file or
// folder named after its pid, or a process a test expects to be gone.
#pragma once

#include <QtGlobal>

namespace Nx {

// True while the process runs, also when it belongs to another user. A zombie (ended, not yet
// collected by its parent) counts as ended; ids of 0 and below name no process.
bool isProcessAlive(qint64 pid);

}  // namespace Nx
