// A setting that the environment can override: the variable when it is set and not empty, else
// the user's setting under key when not empty, else the default.
#pragma once

#include <QString>

namespace Nx {

QString configuredValue(const char* envName, const QString& key, const QString& defaultValue = QString());

}  // namespace Nx
