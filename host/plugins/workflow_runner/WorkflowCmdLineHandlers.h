// The command-line parameters of workflow runs:
//   --workflow=FILE            run the workflow file
//   --set NAME.ATTRIBUTE=VALUE set an attribute of an element (repeatable; needs --workflow)
//   --session-db=PATH          keep the session database at PATH (needs --workflow)
//   --list-elements            print every registered element with its ports and attributes
//   --check-session-db=PATH    tell whether the run that wrote a kept session database finished
#pragma once

#include <NxCore/cmdline/CMDLineRegistry.h>

#include <QString>

namespace Nx {

class WorkflowCmdLineHandler : public CMDLineHandler {
public:
    WorkflowCmdLineHandler() : CMDLineHandler("workflow") {}
    Task* createTask(CMDLineRegistry& r) override;
    QString getHelp() const override;
};

// --set and --session-db only modify a --workflow run; alone they are an error.
class WorkflowOptionHandler : public CMDLineHandler {
public:
    explicit WorkflowOptionHandler(const QString& name) : CMDLineHandler(name) {}
    Task* createTask(CMDLineRegistry& r) override;
    QString getHelp() const override;
};

class ListElementsCmdLineHandler : public CMDLineHandler {
public:
    ListElementsCmdLineHandler() : CMDLineHandler("list-elements") {}
    Task* createTask(CMDLineRegistry& r) override;
    QString getHelp() const override;
    // The listing text (also for tests).
    static QString listElements();
};

// Prints the run state of a kept session database; fails unless that run finished, so scripts
// never take the file of a killed or failed run for a complete one.
class CheckSessionDbCmdLineHandler : public CMDLineHandler {
public:
    CheckSessionDbCmdLineHandler() : CMDLineHandler("check-session-db") {}
    Task* createTask(CMDLineRegistry& r) override;
    QString getHelp() const override;
    // The line printed for the file; ok tells whether the run finished.
    static QString check(const QString& path, bool& ok);
};

}  // namespace Nx
