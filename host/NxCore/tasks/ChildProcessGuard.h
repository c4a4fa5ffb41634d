// Makes sure that the process groups this program starts (scripts, pre-started interpreters and
// whatever they start in turn) end with it, however it ends: also on SIGKILL, where no code of
// ours runs. A small guard process, forked on first use, holds one end of a socket pair; the
// program tells it each group it starts and each it has ended. When the program is gone, its end
// closes, and the guard kills every group still listed, then exits.
#pragma once

#include <sys/types.h>

namespace Nx {

class ChildProcessGuard {
public:
    // The group (a leader's pid) is killed if this program ends before release(). Safe from any
    // thread. False when no guard could be started; the group then only ends with its own code.
    static bool watch(pid_t group);
    static void release(pid_t group);
    // Kills the group now (SIGKILL to every member) and releases it.
    static void killAndRelease(pid_t group);
};

}  // namespace Nx
