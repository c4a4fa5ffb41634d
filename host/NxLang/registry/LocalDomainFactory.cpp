#include "LocalDomainFactory.h"

namespace Nx {
namespace LocalWorkflow {

const QString LocalDomainFactory::ID = QStringLiteral("localhost");

}  // namespace LocalWorkflow
}  // namespace Nx
