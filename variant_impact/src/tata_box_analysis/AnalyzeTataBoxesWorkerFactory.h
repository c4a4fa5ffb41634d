// Registration of the "tata-box-snp" element ("Determine Variant Impact on TATA-boxes") and the
// factory of its workers.
#pragma once

#include <NxLang/registry/DomainFactory.h>

namespace Nx {
namespace LocalWorkflow {

class AnalyzeTataBoxesWorkerFactory : public DomainFactory {
public:
    static const QString ACTOR_ID;

    AnalyzeTataBoxesWorkerFactory() : DomainFactory(ACTOR_ID) {}

    // Builds the element's prototype and registers it with its factory; once, from the plug-in.
    static void install();
    Worker* makeWorker(Actor* a) override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
