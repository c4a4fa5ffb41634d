#include "AppContext.h"

namespace Nx {

AppContext* AppContext::is = nullptr;

}  // namespace Nx
