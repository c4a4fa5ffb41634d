// Registration of the "rSnp-tools" element ("Detect Transcription Factors with rSNP-Tools"), its
// two choice maps (binding states, significance levels) and the factory of its workers.
#pragma once

#include <NxLang/registry/DomainFactory.h>

#include <QVariantMap>

namespace Nx {
namespace LocalWorkflow {

class RSnpToolsWorkerFactory : public DomainFactory {
public:
    static const QString ACTOR_ID;
    static const QString FIRST_SITE_STATE_ATTR;
    static const QString SECOND_SITE_STATE_ATTR;
    static const QString SNP_SIGNIFICANCE_ATTR;

    RSnpToolsWorkerFactory() : DomainFactory(ACTOR_ID) {}

    // Binding state shown to the user -> code sent to the script. Code 5 is unused: "No binding"
    // is 6. Built on first use and shared by every delegate.
    static const QVariantMap& siteStateMap();
    // The sixteen significance levels "0.33" ... "0.000005" -> codes 0 ... 15.
    static const QVariantMap& significanceMap();

    // Builds the element's prototype and registers it with its factory; once, from the plug-in.
    static void install();
    Worker* makeWorker(Actor* a) override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
