#include "ComboBoxDelegate.h"

namespace Nx {

QString ComboBoxDelegate::getDisplayText(const QVariant& value) const {
    for (auto it = items.begin(); it != items.end(); ++it) {
        if (it.value().toString() == value.toString()) {
            return it.key();
        }
    }
    return QString();
}

}  // namespace Nx
