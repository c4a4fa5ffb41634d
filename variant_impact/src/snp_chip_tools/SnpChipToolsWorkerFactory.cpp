#include "SnpChipToolsWorkerFactory.h"

#include "SnpChipToolsPrompter.h"
#include "SnpChipToolsWorker.h"

#include <element_pattern/SnpElementPattern.h>

#include <NxLang/model/ActorPrototype.h>

#include <QCoreApplication>

namespace Nx {
namespace LocalWorkflow {

const QString SnpChipToolsWorkerFactory::ACTOR_ID("snp-chip-tools");

Worker* SnpChipToolsWorkerFactory::makeWorker(Actor* a) {
    return new SnpChipToolsWorker(a);
}

void SnpChipToolsWorkerFactory::install() {
    QList<PortDescriptor*> ports = SnpElementPattern::createPorts(true);
    Descriptor element(ACTOR_ID, QCoreApplication::translate("SnpChipToolsWorkerFactory", "SNP ChIP Tools"),
                       QCoreApplication::translate("SnpChipToolsWorkerFactory", "Assess the SNP impact on regulatory regions."));
    // The element works from public identifiers alone: no attributes, so nothing to edit.
    ActorPrototype* proto = SnpElementPattern::registerElement(element, ports, QList<Attribute*>(), {},
                                                               new SnpChipToolsPrompter(), new SnpChipToolsWorkerFactory());
    if (proto != nullptr) {
        proto->setEditor(nullptr);
    }
}

}  // namespace LocalWorkflow
}  // namespace Nx
