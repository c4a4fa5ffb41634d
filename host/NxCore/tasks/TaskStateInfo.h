// A task's own status: first error wins, cancel flag, progress and description, all safe to
// touch from the task's pool thread and from the main thread at once.
#pragma once

#include <NxCore/core/NxOpStatus.h>

namespace Nx {

class TaskStateInfo : public NxOpStatusImpl {
public:
    // Alias kept for callers that test the flag directly (the flag reaches subtasks only through
    // Task::cancel, never through this setter).
    bool cancelFlag() const { return isCanceled(); }
};

}  // namespace Nx
