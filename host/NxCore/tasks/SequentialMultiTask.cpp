#include "SequentialMultiTask.h"

namespace Nx {

SequentialMultiTask::SequentialMultiTask(const QString& name, const QList<Task*>& tasks,
                                         TaskFlags f)
    : Task(name, f) {
    // The scheduler starts subtasks in list order; one at a time makes the group sequential,
    // and a failure stops the group before the next one starts.
    setMaxParallelSubtasks(1);
    setFreeFinishedSubtasks(true);
    for (Task* t : tasks) {
        addSubTask(t);
    }
}

int SequentialMultiTask::getProgress() const {
    if (isFinished()) {
        return 100;
    }
    const int own = stateInfo.getProgress();
    if (own >= 0) {
        return qBound(0, own, 100);
    }
    const qint64 remaining = getSubtaskCount();
    const qint64 total = remaining + getFreedSubtaskCount();
    if (total == 0) {
        return 0;
    }
    Task* current = getSubtaskAt(0);
    const qint64 sum = qint64(getFreedSubtaskCount()) * 100 + (current != nullptr ? current->getProgress() : 0);
    return int(sum / total);
}

}  // namespace Nx
