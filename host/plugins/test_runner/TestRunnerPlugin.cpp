#include "TestRunnerPlugin.h"

#include "TestRunnerCmdLineHandlers.h"

#include <NxCore/core/AppContext.h>

#include <new>

namespace Nx {

TestRunnerPlugin::TestRunnerPlugin() : Plugin(tr("XML Test Runner"), tr("Runs XML test suites from the command line")) {
    CMDLineRegistry* r = AppContext::getCMDLineRegistry();
    if (r == nullptr) {
        return;
    }
    r->registerCMDLineHandler(new TestSuiteCmdLineHandler());
    r->registerCMDLineHandler(new TestEnvCmdLineHandler());
}

}  // namespace Nx

Nx::Plugin* nolix_plugin_init() {
    return new (std::nothrow) Nx::TestRunnerPlugin();
}
