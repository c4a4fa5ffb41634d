#include "BaseSlots.h"

#include <QCoreApplication>

namespace Nx {

Descriptor BaseSlots::VARIATION_TRACK_SLOT() {
    return Descriptor(QStringLiteral("variation-track"), QCoreApplication::translate("BaseSlots", "Variations"),
                      QCoreApplication::translate("BaseSlots", "Set of variations."));
}

}  // namespace Nx
