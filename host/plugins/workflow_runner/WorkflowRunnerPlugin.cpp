#include "WorkflowRunnerPlugin.h"

#include "ReadVariationsWorker.h"
#include "WorkflowCmdLineHandlers.h"

#include <NxCore/core/AppContext.h>

#include <new>

namespace Nx {

WorkflowRunnerPlugin::WorkflowRunnerPlugin()
    : Plugin(tr("Workflow Runner"), tr("Runs workflow files from the command line")) {
    // 1. The host's own source element.
    LocalWorkflow::ReadVariationsWorkerFactory::install();

    // 2. The command-line parameters (no registry: nothing to answer to).
    CMDLineRegistry* r = AppContext::getCMDLineRegistry();
    if (r == nullptr) {
        return;
    }
    r->registerCMDLineHandler(new WorkflowCmdLineHandler());
    r->registerCMDLineHandler(new WorkflowOptionHandler("set"));
    r->registerCMDLineHandler(new WorkflowOptionHandler("session-db"));
    r->registerCMDLineHandler(new ListElementsCmdLineHandler());
    r->registerCMDLineHandler(new CheckSessionDbCmdLineHandler());
}

}  // namespace Nx

Nx::Plugin* nolix_plugin_init() {
    return new (std::nothrow) Nx::WorkflowRunnerPlugin();
}
