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
        // Every actor left has a predecessor that is left too: walking back from any of them
        // must come round to an actor already seen, and that one lies on a cycle.
        Actor* a = nullptr;
        for (Actor* p : procs) {
            if (!order.contains(p)) {
                a = p;
                break;
            }
        }
        QList<Actor*> seen;
        while (a != nullptr && !seen.contains(a)) {
            seen << a;
            Actor* pred = nullptr;
            for (const Link& l : flows) {
                if (l.destination()->owner() == a && !order.contains(l.source()->owner())) {
                    pred = l.source()->owner();
                    break;
                }
            }
            a = pred;
        }
        *cycleActor = a;
    }
    return {};
}

}  // namespace Workflow
}  // namespace Nx
