#include "Schema.h"

#include <QHash>

namespace Nx {
namespace Workflow {

Schema::~Schema() {
    qDeleteAll(procs);
}

Actor* Schema::actorById(const QString& id) const {
    for (Actor* a : procs) {
        if (a->getId() == id) {
            return a;
        }
    }
    return nullptr;
}

void Schema::addFlow(Port* out, Port* in) {
    out->addLink(in);
    flows << Link(out, in);
}

QList<Actor*> Schema::topologicalOrder(Actor** cycleActor) const {
    // Kahn's algorithm over actor edges; what stays unvisited lies on or behind a cycle.
    QHash<Actor*, int> inDegree;
    for (Actor* a : procs) {
        inDegree[a] = 0;
    }
    for (const Link& l : flows) {
        inDegree[l.destination()->owner()]++;
    }
    QList<Actor*> ready;
    for (Actor* a : procs) {
        if (inDegree[a] == 0) {
            ready << a;
        }
    }
    QList<Actor*> order;
    while (!ready.isEmpty()) {
        Actor* a = ready.takeFirst();
        order << a;
        for (const Link& l : flows) {
            if (l.source()->owner() != a) {
                continue;
            }
            Actor* d = l.destination()->owner();
            if (--inDegree[d] == 0) {
                ready << d;
            }
        }
    }
    if (order.size() == procs.size()) {
        return order;
    }
    if (cycleActor != nullptr) {
        *cycleActor = nullptr;
        for (Actor* a : procs) {
            if (!order.contains(a)) {
                *cycleActor = a;
                break;
            }
        }
    }
    return {};
}

}  // namespace Workflow
}  // namespace Nx
