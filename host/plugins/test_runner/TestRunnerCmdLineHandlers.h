// The command-line parameters of XML test runs:
//   --test-suite=PATH          run a suite file, or every *.xml suite of a folder (repeatable)
//   --test-env NAME=VALUE      set a test variable such as TEMP_DATA_DIR (repeatable)
#pragma once

#include <NxCore/cmdline/CMDLineRegistry.h>

namespace Nx {

class TestSuiteCmdLineHandler : public CMDLineHandler {
public:
    TestSuiteCmdLineHandler() : CMDLineHandler("test-suite") {}
    Task* createTask(CMDLineRegistry& r) override;
    QString getHelp() const override;
};

// --test-env only modifies a --test-suite run; alone it is an error.
class TestEnvCmdLineHandler : public CMDLineHandler {
public:
    TestEnvCmdLineHandler() : CMDLineHandler("test-env") {}
    Task* createTask(CMDLineRegistry& r) override;
    QString getHelp() const override;
};

}  // namespace Nx
