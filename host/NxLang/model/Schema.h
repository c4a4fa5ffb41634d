// A workflow: the actors (owned) and the links between their ports, in file order.
#pragma once

#include <NxLang/model/Actor.h>
#include <NxLang/model/Port.h>

#include <QList>
#include <QPair>

namespace Nx {
namespace Workflow {

class Link {
public:
    Link(Port* source, Port* destination) : src(source), dst(destination) {}
    Port* source() const { return src; }
    Port* destination() const { return dst; }

private:
    Port* src;  // an output port
    Port* dst;  // an input port
};

class Schema {
public:
    Schema() = default;
    ~Schema();
    Schema(const Schema&) = delete;
    Schema& operator=(const Schema&) = delete;

    // Takes ownership.
    void addProcess(Actor* a) { procs << a; }
    const QList<Actor*>& getProcesses() const { return procs; }
    Actor* actorById(const QString& id) const;

    // Links an output port with an input port.
    void addFlow(Port* out, Port* in);
    const QList<Link>& getFlows() const { return flows; }

    // Actors in an order where every actor comes after the actors that feed it; empty with
    // cycleActor set to an actor on a cycle when there is one.
    QList<Actor*> topologicalOrder(Actor** cycleActor = nullptr) const;

private:
    QList<Actor*> procs;
    QList<Link> flows;
};

}  // namespace Workflow
using namespace Workflow;
}  // namespace Nx
