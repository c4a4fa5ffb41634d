#include "Snp2PdbSiteWorkerFactory.h"

#include "Snp2PdbSitePrompter.h"
#include "Snp2PdbSiteWorker.h"

#include <element_pattern/SnpElementPattern.h>

#include <NxDesigner/delegates/URLDelegate.h>

#include <QCoreApplication>

namespace Nx {
namespace LocalWorkflow {

const QString Snp2PdbSiteWorkerFactory::ACTOR_ID("snp2pdb-site");

Worker* Snp2PdbSiteWorkerFactory::makeWorker(Actor* a) {
    return new Snp2PdbSiteWorker(a);
}

void Snp2PdbSiteWorkerFactory::install() {
    QList<PortDescriptor*> ports = SnpElementPattern::createPorts(true);
    QList<Attribute*> attributes{SnpElementPattern::createDbPathAttribute()};
    QMap<QString, PropertyDelegate*> delegates;
    delegates[SnpElementPattern::DB_PATH_ATTR_ID] = SnpElementPattern::createDbPathDelegate();
    Descriptor element(ACTOR_ID, QCoreApplication::translate("Snp2PdbSiteWorkerFactory", "Variant Impact on PDB Sites"),
                       QCoreApplication::translate("Snp2PdbSiteWorkerFactory", "Identification of the SNP influence on PDB sites."));
    SnpElementPattern::registerElement(element, ports, attributes, delegates, new Snp2PdbSitePrompter(),
                                       new Snp2PdbSiteWorkerFactory());
}

}  // namespace LocalWorkflow
}  // namespace Nx
