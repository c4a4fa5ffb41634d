// The start-up check of the Qt library in use. The comparison is a plain byte-wise string
// comparison, as it always was: "4.10.0" sorts before "4.8.5" and is refused.
#pragma once

#include <cstdio>

namespace Nx {

extern const char* const MIN_QT_VERSION;  // "4.8.5"

// True when MIN_QT_VERSION does not sort after the installed version text.
bool isQtVersionAccepted(const char* installedVersion);

// isQtVersionAccepted, printing "Installed Qt version must be 4.8.5 or greater \r\n" to out
// when refused.
bool checkQtVersion(const char* installedVersion, FILE* out);

}  // namespace Nx
