#include "ServiceRegistry.h"

namespace Nx {

void Service::setState(State s) {
    if (state == s) {
        return;
    }
    state = s;
    Q_EMIT si_stateChanged(this);
}

}  // namespace Nx
