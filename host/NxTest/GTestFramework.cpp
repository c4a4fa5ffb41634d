#include "GTestFramework.h"

#include <NxTest/XMLTestFormat.h>

namespace Nx {

GTestFramework::GTestFramework(QObject* parent)
    : QObject(parent), formatRegistry(new GTestFormatRegistry(this)) {
    formatRegistry->registerTestFormat(new XMLTestFormat());
}

}  // namespace Nx
