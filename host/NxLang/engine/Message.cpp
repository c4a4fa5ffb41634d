#include "Message.h"

namespace Nx {
namespace Workflow {

Message Message::getEmptyMapMessage() {
    static DataTypePtr emptyMapType(new MapDataType(Descriptor(QStringLiteral("empty-map")), {}));
    return Message(emptyMapType, QVariantMap());
}

}  // namespace Workflow
}  // namespace Nx
