#include "FailTask.h"

namespace Nx {

FailTask::FailTask(const QString& error) : Task(tr("Failure"), TaskFlag_NoRun) {
    stateInfo.setError(error);
}

}  // namespace Nx
