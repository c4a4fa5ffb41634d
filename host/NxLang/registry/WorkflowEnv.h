// Process-wide registries of the workflow engine: element prototypes and worker domains. Made
// on first use (with the local domain already present) and torn down by shutdown().
#pragma once

#include <NxLang/registry/ActorPrototypeRegistry.h>
#include <NxLang/registry/DomainFactory.h>

namespace Nx {
namespace Workflow {

class WorkflowEnv {
public:
    static ActorPrototypeRegistry* getProtoRegistry();
    static DomainFactoryRegistry* getDomainRegistry();
    // Deletes every registered prototype and factory; the next getter starts afresh.
    static void shutdown();

private:
    WorkflowEnv();
    ~WorkflowEnv();
    static WorkflowEnv* instance();

    ActorPrototypeRegistry* protos;
    DomainFactoryRegistry* domains;
    static WorkflowEnv* env;
};

}  // namespace Workflow
using namespace Workflow;
}  // namespace Nx
