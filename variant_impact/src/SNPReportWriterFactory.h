// Registration of the "snp-report-writer-id" element ("Write SNP Report") and the factory of its workers.
#pragma once

#include <NxLang/registry/DomainFactory.h>

namespace Nx {
namespace LocalWorkflow {

class SNPReportWriterFactory : public DomainFactory {
public:
    static const QString ACTOR_ID;
    static const QString IN_GENE_REPORT_PATH_ATTR_ID;     // "report_path"
    static const QString REGULATORY_REPORT_PATH_ATTR_ID;  // "regulatory_report_path"
    static const QString DB_PATH_ATTR_ID;

    SNPReportWriterFactory() : DomainFactory(ACTOR_ID) {}

    // Builds the element's prototype and registers it with its factory; once, from the plug-in.
    static void install();
    Worker* makeWorker(Actor* a) override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
