#include "WorkflowEnv.h"

#include <NxLang/registry/LocalDomainFactory.h>

namespace Nx {
namespace Workflow {

WorkflowEnv* WorkflowEnv::env = nullptr;

WorkflowEnv::WorkflowEnv() : protos(new ActorPrototypeRegistry()), domains(new DomainFactoryRegistry()) {
    domains->registerEntry(new LocalWorkflow::LocalDomainFactory());
}

WorkflowEnv::~WorkflowEnv() {
    delete domains;
    delete protos;
}

WorkflowEnv* WorkflowEnv::instance() {
    if (env == nullptr) {
        env = new WorkflowEnv();
    }
    return env;
}

ActorPrototypeRegistry* WorkflowEnv::getProtoRegistry() { return instance()->protos; }
DomainFactoryRegistry* WorkflowEnv::getDomainRegistry() { return instance()->domains; }

void WorkflowEnv::shutdown() {
    delete env;
    env = nullptr;
}

}  // namespace Workflow
}  // namespace Nx
