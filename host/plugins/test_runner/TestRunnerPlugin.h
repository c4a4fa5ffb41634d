// Host plug-in that runs the suite's XML tests from the console (TestRunnerCmdLineHandlers.h).
#pragma once

#include <NxCore/plugin/Plugin.h>

namespace Nx {

class TestRunnerPlugin : public Plugin {
    Q_OBJECT
public:
    TestRunnerPlugin();
};

}  // namespace Nx

NX_PLUGIN_EXPORT Nx::Plugin* nolix_plugin_init();
