// Registration of the "snp-chip-tools" element ("SNP ChIP Tools") and the factory of its workers.
#pragma once

#include <NxLang/registry/DomainFactory.h>

namespace Nx {
namespace LocalWorkflow {

class SnpChipToolsWorkerFactory : public DomainFactory {
public:
    static const QString ACTOR_ID;

    SnpChipToolsWorkerFactory() : DomainFactory(ACTOR_ID) {}

    // Builds the element's prototype and registers it with its factory; once, from the plug-in.
    static void install();
    Worker* makeWorker(Actor* a) override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
