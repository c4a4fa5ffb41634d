#include "BaseActorCategories.h"

#include <QCoreApplication>

namespace Nx {

Descriptor BaseActorCategories::CATEGORY_DATASRC() {
    return Descriptor(QStringLiteral("a"), QCoreApplication::translate("BaseActorCategories", "Data Readers"), QString());
}

Descriptor BaseActorCategories::CATEGORY_SNP_ANNOTATION() {
    return Descriptor(QStringLiteral("snp-annotation"),
                      QCoreApplication::translate("BaseActorCategories", "Variation Analysis"), QString());
}

}  // namespace Nx
