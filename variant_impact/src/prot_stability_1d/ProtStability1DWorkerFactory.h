// Registration of the "prot-stability-1d" element ("ProtStability1D") and the factory of its workers.
#pragma once

#include <NxLang/registry/DomainFactory.h>

namespace Nx {
namespace LocalWorkflow {

class ProtStability1DWorkerFactory : public DomainFactory {
public:
    static const QString ACTOR_ID;

    ProtStability1DWorkerFactory() : DomainFactory(ACTOR_ID) {}

    // Builds the element's prototype and registers it with its factory; once, from the plug-in.
    static void install();
    Worker* makeWorker(Actor* a) override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
