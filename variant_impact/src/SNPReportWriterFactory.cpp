#include "SNPReportWriterFactory.h"

#include "SNPReportPrompter.h"
#include "SNPReportWriter.h"

#include <element_pattern/SnpElementPattern.h>

#include <NxDesigner/delegates/URLDelegate.h>
#include <NxLang/datatype/BaseTypes.h>

#include <QCoreApplication>

namespace Nx {
namespace LocalWorkflow {

const QString SNPReportWriterFactory::ACTOR_ID("snp-report-writer-id");
const QString SNPReportWriterFactory::IN_GENE_REPORT_PATH_ATTR_ID("report_path");
const QString SNPReportWriterFactory::REGULATORY_REPORT_PATH_ATTR_ID("regulatory_report_path");
const QString SNPReportWriterFactory::DB_PATH_ATTR_ID(SnpElementPattern::DB_PATH_ATTR_ID);

Worker* SNPReportWriterFactory::makeWorker(Actor* a) {
    return new SNPReportWriter(a);
}

void SNPReportWriterFactory::install() {
    auto tr = [](const char* text) { return QCoreApplication::translate("SNPReportWriterFactory", text); };
    // The last element of a workflow: no output port.
    QList<PortDescriptor*> ports = SnpElementPattern::createPorts(false);
    QList<Attribute*> attributes;
    attributes << new Attribute(Descriptor(IN_GENE_REPORT_PATH_ATTR_ID, tr("In gene report path"),
                                           tr("Path to save in-gene variant impacts reports.")),
                                BaseTypes::STRING_TYPE(), true, QString());
    attributes << new Attribute(Descriptor(REGULATORY_REPORT_PATH_ATTR_ID, tr("Regulatory report path"),
                                           tr("Path to save regulatory variant impacts reports.")),
                                BaseTypes::STRING_TYPE(), true, QString());
    attributes << SnpElementPattern::createDbPathAttribute();

    QMap<QString, PropertyDelegate*> delegates;
    delegates[IN_GENE_REPORT_PATH_ATTR_ID] = new URLDelegate("", "", false, false, true, nullptr, "", false);
    delegates[REGULATORY_REPORT_PATH_ATTR_ID] = new URLDelegate("", "", false, false, true, nullptr, "", false);
    delegates[DB_PATH_ATTR_ID] = SnpElementPattern::createDbPathDelegate();

    Descriptor element(ACTOR_ID, tr("Write SNP Report"), tr("Use variations and their effects to write a report."));
    SnpElementPattern::registerElement(element, ports, attributes, delegates, new SNPReportPrompter(),
                                       new SNPReportWriterFactory());
}

}  // namespace LocalWorkflow
}  // namespace Nx
