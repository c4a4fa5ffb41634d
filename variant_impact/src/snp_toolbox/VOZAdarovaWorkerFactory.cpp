#include "VOZAdarovaWorkerFactory.h"

#include "VOZAdarovaPrompter.h"
#include "VOZAdarovaWorker.h"

#include <NxCore/core/AppContext.h>
#include <NxCore/datapath/NxDataPathRegistry.h>
#include <NxDesigner/delegates/DelegateEditor.h>
#include <NxDesigner/delegates/URLDelegate.h>
#include <NxLang/base/BaseActorCategories.h>
#include <NxLang/base/BasePorts.h>
#include <NxLang/base/BaseSlots.h>
#include <NxLang/datatype/BaseTypes.h>
#include <NxLang/model/ActorPrototype.h>
#include <NxLang/registry/LocalDomainFactory.h>
#include <NxLang/registry/WorkflowEnv.h>

#include <QCoreApplication>

namespace Nx {
namespace LocalWorkflow {

const QString VOZAdarovaWorkerFactory::ACTOR_ID("VOZAdarova-id");
const QString VOZAdarovaWorkerFactory::DB_PATH_ATTR_ID("db_path");

Worker* VOZAdarovaWorkerFactory::makeWorker(Actor* a) {
    return new VOZAdarovaWorker(a);
}

void VOZAdarovaWorkerFactory::install() {
    // 1. The default database: the plug-in's "db_path" data path, when registered and valid.
    QString defaultDbPath;
    if (NxDataPathRegistry* registry = AppContext::getDataPathRegistry()) {
        NxDataPath* dp = registry->getDataPathByName(DB_PATH_ATTR_ID);
        if (dp != nullptr && dp->isValid()) {
            defaultDbPath = dp->getPath();
        }
    }

    // 2. The common ports: variation tracks in, empty "track done" messages out.
    QMap<Descriptor, DataTypePtr> inSlots;
    inSlots[BaseSlots::VARIATION_TRACK_SLOT()] = BaseTypes::VARIATION_TRACK_TYPE();
    DataTypePtr inType(new MapDataType(Descriptor("in.variations"), inSlots));
    DataTypePtr outType(new MapDataType(Descriptor("out.variations"), QMap<Descriptor, DataTypePtr>()));
    QList<PortDescriptor*> portList;
    portList << new PortDescriptor(Descriptor(BasePorts::IN_VARIATION_TRACK_PORT_ID(), "Input variations",
                                              "Variations for annotations."),
                                   inType, true, false);
    portList << new PortDescriptor(Descriptor(BasePorts::OUT_VARIATION_TRACK_PORT_ID(), "Output variations",
                                              "Variations with annotations."),
                                   outType, false, true);

    // 3. The one attribute: the reference database.
    QList<Attribute*> attributes;
    attributes << new Attribute(
        Descriptor(DB_PATH_ATTR_ID, QCoreApplication::translate("VOZAdarovaWorkerFactory", "Database path"),
                   QCoreApplication::translate("VOZAdarovaWorkerFactory",
                                               "Path to VOZAdarova database with sequences, features and damage effect data.")),
        BaseTypes::STRING_TYPE(), true, defaultDbPath);

    // 4. How the attribute is edited.
    QMap<QString, PropertyDelegate*> delegates;
    delegates[DB_PATH_ATTR_ID] = new URLDelegate("", "", false, false, false, nullptr, "", false);

    // 5.-8. The element itself, with its prompter and editor.
    Descriptor desc(ACTOR_ID, QCoreApplication::translate("VOZAdarovaWorkerFactory", "Annotate Variations with VOZAdarova"),
                    QCoreApplication::translate("VOZAdarovaWorkerFactory",
                                                "Assess damage effect and find intersected genes with VOZAdarova algorithms."));
    ActorPrototype* proto = new IntegralBusActorPrototype(desc, portList, attributes);
    proto->setPrompter(new VOZAdarovaPrompter());
    proto->setEditor(new DelegateEditor(delegates));

    // 9.-10. Registration: the prototype under SNP annotation, the factory in the local domain.
    WorkflowEnv::getProtoRegistry()->registerProto(BaseActorCategories::CATEGORY_SNP_ANNOTATION(), proto);
    DomainFactory* localDomain = WorkflowEnv::getDomainRegistry()->getById(LocalDomainFactory::ID);
    if (localDomain != nullptr) {
        localDomain->registerEntry(new VOZAdarovaWorkerFactory());
    }
}

}  // namespace LocalWorkflow
}  // namespace Nx
