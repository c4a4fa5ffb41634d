// Runs its subtasks one at a time, strictly in list order. A failed subtask fails the group and
// the remaining subtasks are not started (unless the flags say otherwise). Each subtask is freed
// as soon as it has finished and its receivers have heard of it, so a group of N subtasks costs
// time and memory linear in N; read a subtask's results from its si_stateChanged().
#pragma once

#include <NxCore/tasks/Task.h>

namespace Nx {

class SequentialMultiTask : public Task {
    Q_OBJECT
public:
    SequentialMultiTask(const QString& name, const QList<Task*>& tasks,
                        TaskFlags f = TaskFlag_NoRun);

    // Freed subtasks count as done, the running one by its own progress: O(1), not O(N).
    int getProgress() const override;
};

}  // namespace Nx
