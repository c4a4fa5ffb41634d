// Registration of the "snp2pdb-site" element ("Variant Impact on PDB Sites") and the factory of its workers.
#pragma once

#include <NxLang/registry/DomainFactory.h>

namespace Nx {
namespace LocalWorkflow {

class Snp2PdbSiteWorkerFactory : public DomainFactory {
public:
    static const QString ACTOR_ID;

    Snp2PdbSiteWorkerFactory() : DomainFactory(ACTOR_ID) {}

    // Builds the element's prototype and registers it with its factory; once, from the plug-in.
    static void install();
    Worker* makeWorker(Actor* a) override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
