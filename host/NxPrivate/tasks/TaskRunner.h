// Runs one task to its end from code that has no event loop of its own: tests and console
// tools. A QCoreApplication must exist. Without a scheduler in the context it makes a temporary
// TaskSchedulerImpl and puts it into the context for the run.
#pragma once

namespace Nx {

class Task;

class TaskRunner {
public:
    // Sets TaskFlag_NoAutoDelete, registers the task and spins a local event loop until the
    // task is finished. False on timeout (the task is then canceled, and still owned by the
    // caller, who must not delete it before it finished). The caller inspects and deletes it.
    static bool runAndWait(Task* task, int timeoutMs = 120000);
};

}  // namespace Nx
