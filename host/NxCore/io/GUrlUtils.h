#pragma once

#include <QString>

namespace Nx {

class NxOpStatus;

class GUrlUtils {
public:
    // A path for a new temporary file in dir: "<prefix>_<n>.<extension>" (or "<prefix>_<n>" with
    // an empty extension), with n chosen so that no file of that name exists yet; the file itself
    // is created empty so that a second caller cannot pick the same name. The folder is created
    // when missing. Prefix and extension may only hold letters, digits, '_', '-' and '.', so the
    // file always lies in dir. Empty, with an error in os, when that cannot be done.
    static QString prepareTmpFileLocation(const QString& dir, const QString& prefix, const QString& extension,
                                          NxOpStatus& os);

    // True when name is a plain file name of letters, digits, '_', '-' and '.', not starting
    // with '.', so that dir + "/" + name cannot leave dir.
    static bool isSafeFileName(const QString& name);
};

}  // namespace Nx
