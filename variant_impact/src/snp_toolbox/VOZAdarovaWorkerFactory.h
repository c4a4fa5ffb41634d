// Registration of the "VOZAdarova-id" element ("Annotate Variations with VOZAdarova") and the
// factory of its workers.
#pragma once

#include <NxLang/registry/DomainFactory.h>

namespace Nx {
namespace LocalWorkflow {

class VOZAdarovaWorkerFactory : public DomainFactory {
public:
    static const QString ACTOR_ID;
    static const QString DB_PATH_ATTR_ID;

    VOZAdarovaWorkerFactory() : DomainFactory(ACTOR_ID) {}

    // Builds the element's prototype and registers it with its factory; once, from the plug-in.
    static void install();
    Worker* makeWorker(Actor* a) override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
