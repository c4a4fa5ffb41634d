#include "VOZAdarovaWorkerFactory.h"

#include "VOZAdarovaPrompter.h"
#include "VOZAdarovaWorker.h"

#include <element_pattern/SnpElementPattern.h>

#include <NxDesigner/delegates/URLDelegate.h>

#include <QCoreApplication>

namespace Nx {
namespace LocalWorkflow {

const QString VOZAdarovaWorkerFactory::ACTOR_ID("VOZAdarova-id");
const QString VOZAdarovaWorkerFactory::DB_PATH_ATTR_ID(SnpElementPattern::DB_PATH_ATTR_ID);

Worker* VOZAdarovaWorkerFactory::makeWorker(Actor* a) {
    return new VOZAdarovaWorker(a);
}

void VOZAdarovaWorkerFactory::install() {
    // The common ports and the "db_path" attribute, with this element's own description of it.
    QList<PortDescriptor*> ports = SnpElementPattern::createPorts(true);
    QList<Attribute*> attributes;
    attributes << SnpElementPattern::createDbPathAttribute(QCoreApplication::translate(
        "VOZAdarovaWorkerFactory", "Path to VOZAdarova database with sequences, features and damage effect data."));
    QMap<QString, PropertyDelegate*> delegates;
    delegates[DB_PATH_ATTR_ID] = SnpElementPattern::createDbPathDelegate();

    Descriptor element(ACTOR_ID,
                       QCoreApplication::translate("VOZAdarovaWorkerFactory", "Annotate Variations with VOZAdarova"),
                       QCoreApplication::translate("VOZAdarovaWorkerFactory",
                                                   "Assess damage effect and find intersected genes with VOZAdarova algorithms."));
    SnpElementPattern::registerElement(element, ports, attributes, delegates, new VOZAdarovaPrompter(),
                                       new VOZAdarovaWorkerFactory());
}

}  // namespace LocalWorkflow
}  // namespace Nx
