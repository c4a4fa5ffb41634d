#include "ProtStability3DWorkerFactory.h"

#include "ProtStability3DPrompter.h"
#include "ProtStability3DWorker.h"

#include <element_pattern/SnpElementPattern.h>

#include <NxDesigner/delegates/URLDelegate.h>

#include <QCoreApplication>

namespace Nx {
namespace LocalWorkflow {

const QString ProtStability3DWorkerFactory::ACTOR_ID("prot-stability-3d");

Worker* ProtStability3DWorkerFactory::makeWorker(Actor* a) {
    return new ProtStability3DWorker(a);
}

void ProtStability3DWorkerFactory::install() {
    QList<PortDescriptor*> ports = SnpElementPattern::createPorts(true);
    QList<Attribute*> attributes{SnpElementPattern::createDbPathAttribute()};
    QMap<QString, PropertyDelegate*> delegates;
    delegates[SnpElementPattern::DB_PATH_ATTR_ID] = SnpElementPattern::createDbPathDelegate();
    Descriptor element(ACTOR_ID, QCoreApplication::translate("ProtStability3DWorkerFactory", "ProtStability3D"),
                       QCoreApplication::translate("ProtStability3DWorkerFactory", "Identification of the SNP influence onprotein tertiary structure thermodynamic stability."));
    SnpElementPattern::registerElement(element, ports, attributes, delegates, new ProtStability3DPrompter(),
                                       new ProtStability3DWorkerFactory());
}

}  // namespace LocalWorkflow
}  // namespace Nx
