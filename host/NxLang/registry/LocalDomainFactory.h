// The domain of workers that run inside this process, on the engine's thread.
#pragma once

#include <NxLang/registry/DomainFactory.h>

namespace Nx {
namespace LocalWorkflow {

class LocalDomainFactory : public Workflow::DomainFactory {
public:
    static const QString ID;
    LocalDomainFactory() : DomainFactory(ID) {}
};

}  // namespace LocalWorkflow
}  // namespace Nx
