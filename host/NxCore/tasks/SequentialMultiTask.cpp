#include "SequentialMultiTask.h"

namespace Nx {

SequentialMultiTask::SequentialMultiTask(const QString& name, const QList<Task*>& tasks,
                                         TaskFlags f)
    : Task(name, f) {
    // The scheduler starts subtasks in list order; one at a time makes the group sequential,
    // and a failure stops the group before the next one starts.
    setMaxParallelSubtasks(1);
    for (Task* t : tasks) {
        addSubTask(t);
    }
}

}  // namespace Nx
