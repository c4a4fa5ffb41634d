#include "AppSettingsImpl.h"

#include <NxCore/core/AppContext.h>
#include <NxCore/settings/Settings.h>

namespace Nx {

AppSettingsImpl::AppSettingsImpl() : resourcePool(new AppResourcePool()), userAppsSettings(new UserAppsSettings()) {
    if (Settings* s = AppContext::getSettings()) {
        bool ok = false;
        int threads = s->getValue("app/threads").toInt(&ok);
        if (ok && threads > 0) {
            resourcePool->setIdealThreadCount(threads);
        }
    }
}

AppSettingsImpl::~AppSettingsImpl() {
    UserAppsSettings::cleanupCurrentProcessTemporaryDir();
    delete userAppsSettings;
    delete resourcePool;
}

}  // namespace Nx
