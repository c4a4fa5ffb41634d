// Ends a console program's event loop when its work is over: after the start-up plug-ins are
// loaded (and the command-line handlers have registered their tasks), as soon as no top-level
// task is left. Exit code 0 when every top-level task succeeded, 1 when any failed or was
// canceled (the scheduler logs each failure to "Tasks"), else the highest code a finished task
// asked for with requestExitCode (a run that completed with some failed parts), else the code a
// command-line handler asked for (2 for a usage error). It is created by the program, never
// registered with the scheduler.
#pragma once

#include <NxCore/tasks/Task.h>

class QCoreApplication;

namespace Nx {

class ConsoleShutdownTask : public Task {
    Q_OBJECT
public:
    explicit ConsoleShutdownTask(QCoreApplication* app);

    int getFailedTaskCount() const { return failedTasks; }
    // The exit code when no top-level task failed: the highest one asked for. Main thread.
    static void requestExitCode(int code);

private Q_SLOTS:
    void sl_startUpDone();
    void sl_taskStateChanged(Nx::Task* t);
    void sl_check();

private:
    QCoreApplication* app;  // not owned
    bool startUpDone = false;
    bool exitRequested = false;
    int failedTasks = 0;    // top-level tasks that ended with an error or canceled
};

}  // namespace Nx
