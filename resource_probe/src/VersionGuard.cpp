#include "VersionGuard.h"

#include <cstring>

namespace Nx {

const char* const MIN_QT_VERSION = "4.8.5";

bool isQtVersionAccepted(const char* installedVersion) {
    if (installedVersion == nullptr) {
        return false;
    }
    return strcmp(MIN_QT_VERSION, installedVersion) <= 0;
}

bool checkQtVersion(const char* installedVersion, FILE* out) {
    if (isQtVersionAccepted(installedVersion)) {
        return true;
    }
    fprintf(out, "Installed Qt version must be %s or greater \r\n", MIN_QT_VERSION);
    fflush(out);
    return false;
}

}  // namespace Nx
