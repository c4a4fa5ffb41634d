#include "AnalyzeTataBoxesWorkerFactory.h"

#include "AnalyzeTataBoxesPrompter.h"
#include "AnalyzeTataBoxesWorker.h"

#include <element_pattern/SnpElementPattern.h>

#include <NxDesigner/delegates/URLDelegate.h>

#include <QCoreApplication>

namespace Nx {
namespace LocalWorkflow {

const QString AnalyzeTataBoxesWorkerFactory::ACTOR_ID("tata-box-snp");

Worker* AnalyzeTataBoxesWorkerFactory::makeWorker(Actor* a) {
    return new AnalyzeTataBoxesWorker(a);
}

void AnalyzeTataBoxesWorkerFactory::install() {
    QList<PortDescriptor*> ports = SnpElementPattern::createPorts(true);
    QList<Attribute*> attributes{SnpElementPattern::createDbPathAttribute()};
    QMap<QString, PropertyDelegate*> delegates;
    delegates[SnpElementPattern::DB_PATH_ATTR_ID] = SnpElementPattern::createDbPathDelegate();
    Descriptor element(ACTOR_ID,
                       QCoreApplication::translate("AnalyzeTataBoxesWorkerFactory", "Determine Variant Impact on TATA-boxes"),
                       QCoreApplication::translate("AnalyzeTataBoxesWorkerFactory",
                                                   "Define the influence of SNP on TATA-boxes belonging to the sequence."));
    SnpElementPattern::registerElement(element, ports, attributes, delegates, new AnalyzeTataBoxesPrompter(),
                                       new AnalyzeTataBoxesWorkerFactory());
}

}  // namespace LocalWorkflow
}  // namespace Nx
