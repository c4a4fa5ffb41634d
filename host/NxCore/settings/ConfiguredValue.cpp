#include "ConfiguredValue.h"

#include <NxCore/core/AppContext.h>
#include <NxCore/settings/Settings.h>

namespace Nx {

QString configuredValue(const char* envName, const QString& key, const QString& defaultValue) {
    const QString env = qEnvironmentVariable(envName);
    if (!env.isEmpty()) {
        return env;
    }
    if (Settings* s = AppContext::getSettings()) {
        const QString v = s->getValue(key).toString();
        if (!v.isEmpty()) {
            return v;
        }
    }
    return defaultValue;
}

}  // namespace Nx
