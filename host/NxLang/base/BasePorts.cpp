#include "BasePorts.h"

namespace Nx {

QString BasePorts::IN_VARIATION_TRACK_PORT_ID() { return QStringLiteral("in-variations"); }
QString BasePorts::OUT_VARIATION_TRACK_PORT_ID() { return QStringLiteral("out-variations"); }

}  // namespace Nx
