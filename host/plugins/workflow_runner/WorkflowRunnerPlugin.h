// Host plug-in that makes workflows runnable from the console: the command-line handlers of
// WorkflowCmdLineHandlers.h and the host's own element "read-variations".
#pragma once

#include <NxCore/plugin/Plugin.h>

namespace Nx {

class WorkflowRunnerPlugin : public Plugin {
    Q_OBJECT
public:
    WorkflowRunnerPlugin();
};

}  // namespace Nx

NX_PLUGIN_EXPORT Nx::Plugin* nolix_plugin_init();
