// Registration of the "write-annotated-variations" element ("Write Annotated Variations") and the
// factory of its workers.
#pragma once

#include <NxLang/registry/DomainFactory.h>

namespace Nx {
namespace LocalWorkflow {

class AnnotatedVcfWorkerFactory : public DomainFactory {
public:
    static const QString ACTOR_ID;
    static const QString URL_OUT_ATTR_ID;  // "url-out": the annotated VCF/BCF
    static const QString URL_IN_ATTR_ID;   // "url-in": the VCF/BCF the tracks were read from
    static const QString DB_PATH_ATTR_ID;

    AnnotatedVcfWorkerFactory() : DomainFactory(ACTOR_ID) {}

    // Builds the element's prototype and registers it with its factory; once, from the plug-in.
    static void install();
    Worker* makeWorker(Actor* a) override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
