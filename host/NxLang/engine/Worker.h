// What the engine drives for each element of a running workflow (all calls on one thread):
// start once, step while ready and not done, finish at the end.
#pragma once

namespace Nx {

class Task;

namespace Workflow {

class Worker {
public:
    virtual ~Worker() = default;
    // Once, before the first step: bind channels and per-run state.
    virtual void start() = 0;
    // True when a step could make progress (a message waits, or an input has ended).
    virtual bool isReady() const = 0;
    // One unit of work: returns a task for the engine to run, or null.
    virtual Task* step() = 0;
    virtual bool isDone() const = 0;
    // Once, at the end of the run, whatever its outcome.
    virtual void finish() = 0;
};

}  // namespace Workflow
using namespace Workflow;
}  // namespace Nx
