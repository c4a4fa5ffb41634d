// Registration of the "prot-stability-3d" element ("ProtStability3D") and the factory of its workers.
#pragma once

#include <NxLang/registry/DomainFactory.h>

namespace Nx {
namespace LocalWorkflow {

class ProtStability3DWorkerFactory : public DomainFactory {
public:
    static const QString ACTOR_ID;

    ProtStability3DWorkerFactory() : DomainFactory(ACTOR_ID) {}

    // Builds the element's prototype and registers it with its factory; once, from the plug-in.
    static void install();
    Worker* makeWorker(Actor* a) override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
