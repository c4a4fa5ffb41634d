#include "ProtStability1DWorkerFactory.h"

#include "ProtStability1DPrompter.h"
#include "ProtStability1DWorker.h"

#include <element_pattern/SnpElementPattern.h>

#include <NxDesigner/delegates/URLDelegate.h>

#include <QCoreApplication>

namespace Nx {
namespace LocalWorkflow {

const QString ProtStability1DWorkerFactory::ACTOR_ID("prot-stability-1d");

Worker* ProtStability1DWorkerFactory::makeWorker(Actor* a) {
    return new ProtStability1DWorker(a);
}

void ProtStability1DWorkerFactory::install() {
    QList<PortDescriptor*> ports = SnpElementPattern::createPorts(true);
    QList<Attribute*> attributes{SnpElementPattern::createDbPathAttribute()};
    QMap<QString, PropertyDelegate*> delegates;
    delegates[SnpElementPattern::DB_PATH_ATTR_ID] = SnpElementPattern::createDbPathDelegate();
    Descriptor element(ACTOR_ID, QCoreApplication::translate("ProtStability1DWorkerFactory", "ProtStability1D"),
                       QCoreApplication::translate("ProtStability1DWorkerFactory", "Identification of the SNP influence onprotein primary structure thermodynamic stability."));
    SnpElementPattern::registerElement(element, ports, attributes, delegates, new ProtStability1DPrompter(),
                                       new ProtStability1DWorkerFactory());
}

}  // namespace LocalWorkflow
}  // namespace Nx
