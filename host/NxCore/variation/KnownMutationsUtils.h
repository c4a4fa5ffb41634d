// Helpers around the known-mutation tables. The chromosome numbers are the keys of the
// known-mutation tracks, so the reference-database builder and the readers must share them.
#pragma once

#include <QString>

namespace Nx {

class KnownMutationsUtils {
public:
    // "1".."22" -> 1..22, "X" -> 23, "Y" -> 24, "M" or "MT" -> 25, each with or without a "chr"
    // prefix; letters in any case; anything else (leading zeros, blanks, other names) -> -1.
    static int getNumberByChrName(const QString& chrName);
    // The canonical name without prefix for a number of getNumberByChrName ("MT" for 25), or empty.
    static QString getChrNameByNumber(int number);
};

}  // namespace Nx
