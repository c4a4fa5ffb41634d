// A task that does nothing but finish with the given error: how a step that cannot start its
// work hands a failure to whoever runs the tasks.
#pragma once

#include <NxCore/tasks/Task.h>

namespace Nx {

class FailTask : public Task {
    Q_OBJECT
public:
    // name: what failed, for the log line "<name> failed: <error>"; a command line by default.
    explicit FailTask(const QString& error, const QString& name = QString());
};

}  // namespace Nx
