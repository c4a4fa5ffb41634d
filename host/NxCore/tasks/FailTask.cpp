#include "FailTask.h"

namespace Nx {

FailTask::FailTask(const QString& error, const QString& name)
    : Task(name.isEmpty() ? tr("Command line") : name, TaskFlag_NoRun) {
    stateInfo.setError(error);
}

}  // namespace Nx
