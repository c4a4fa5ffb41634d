// The application settings of a running suite: a resource pool whose thread count comes from
// the user settings ("app/threads", default: the number of cores) and the user application
// settings with the per-process temporary folder, which is removed when this object goes.
#pragma once

#include <NxCore/settings/AppSettings.h>

namespace Nx {

class AppSettingsImpl : public AppSettings {
public:
    AppSettingsImpl();
    ~AppSettingsImpl() override;

    AppResourcePool* getAppResourcePool() const override { return resourcePool; }
    UserAppsSettings* getUserAppsSettings() const override { return userAppsSettings; }

private:
    AppResourcePool* resourcePool;        // owned
    UserAppsSettings* userAppsSettings;   // owned
};

}  // namespace Nx
