// Runs its subtasks one at a time, strictly in list order. A failed subtask fails the group and
// the remaining subtasks are not started (unless the flags say otherwise).
#pragma once

#include <NxCore/tasks/Task.h>

namespace Nx {

class SequentialMultiTask : public Task {
    Q_OBJECT
public:
    SequentialMultiTask(const QString& name, const QList<Task*>& tasks,
                        TaskFlags f = TaskFlag_NoRun);
};

}  // namespace Nx
