#include "SnpElementPattern.h"

#include "SnpElementRunChecks.h"

#include <NxCore/core/AppContext.h>
#include <NxCore/datapath/NxDataPathRegistry.h>
#include <NxCore/log/Logger.h>
#include <NxDesigner/delegates/DelegateEditor.h>
#include <NxDesigner/delegates/URLDelegate.h>
#include <NxDesigner/prompter/PrompterBaseImpl.h>
#include <NxLang/base/BaseActorCategories.h>
#include <NxLang/base/BasePorts.h>
#include <NxLang/base/BaseSlots.h>
#include <NxLang/datatype/BaseTypes.h>
#include <NxLang/model/Actor.h>
#include <NxLang/model/Port.h>
#include <NxLang/registry/LocalDomainFactory.h>
#include <NxLang/registry/WorkflowEnv.h>

#include <QFileInfo>

namespace Nx {
namespace LocalWorkflow {


PortDescriptor* SnpElementPattern::createInputPort() {
    QMap<Descriptor, DataTypePtr> inSlots;
    inSlots[BaseSlots::VARIATION_TRACK_SLOT()] = BaseTypes::VARIATION_TRACK_TYPE();
    DataTypePtr inType(new MapDataType(Descriptor("in.variations"), inSlots));
    return new PortDescriptor(
        Descriptor(BasePorts::IN_VARIATION_TRACK_PORT_ID(), "Input variations", "Variations for annotations."), inType,
        true, false);
}

PortDescriptor* SnpElementPattern::createOutputPort() {
    DataTypePtr outType(new MapDataType(Descriptor("out.variations"), QMap<Descriptor, DataTypePtr>()));
    return new PortDescriptor(
        Descriptor(BasePorts::OUT_VARIATION_TRACK_PORT_ID(), "Output variations", "Variations with annotations."),
        outType, false, true);
}

QList<PortDescriptor*> SnpElementPattern::createPorts(bool withOutput) {
    QList<PortDescriptor*> ports{createInputPort()};
    if (withOutput) {
        ports << createOutputPort();
    }
    return ports;
}

QString SnpElementPattern::defaultDbPath() {
    NxDataPathRegistry* registry = AppContext::getDataPathRegistry();
    if (registry == nullptr) {
        return QString();
    }
    NxDataPath* dp = registry->getDataPathByName(DB_PATH_ATTR_ID);
    // Only a database that is there: the data path's default file is not shipped.
    return dp != nullptr && dp->isValid() && QFileInfo(dp->getPath()).isFile() ? dp->getPath() : QString();
}

Attribute* SnpElementPattern::createDbPathAttribute(const QString& description) {
    const QString doc = description.isEmpty() ? tr("Path to SNP database.") : description;
    return new Attribute(Descriptor(DB_PATH_ATTR_ID, tr("Database path"), doc), BaseTypes::STRING_TYPE(), true,
                         defaultDbPath());
}

URLDelegate* SnpElementPattern::createDbPathDelegate() {
    return new URLDelegate("", "", false, false, false, nullptr, "", false);
}

QString SnpElementPattern::unsetMarker() {
    return "<font color='red'>" + tr("unset") + "</font>";
}

Workflow::Actor* SnpElementPattern::getProducer(const Workflow::Actor* target) {
    if (target == nullptr) {
        return nullptr;
    }
    auto* input = qobject_cast<IntegralBusPort*>(target->getPort(BasePorts::IN_VARIATION_TRACK_PORT_ID()));
    return input != nullptr ? input->getProducer(BaseSlots::VARIATION_TRACK_SLOT().getId()) : nullptr;
}

QString SnpElementPattern::inputSentence(const Workflow::Actor* target, const QString& sentence) {
    const QString s = sentence.isEmpty() ? tr("Uses variations from <u>%1</u> as input.") : sentence;
    Workflow::Actor* producer = getProducer(target);
    return s.arg(producer != nullptr ? producer->getLabel() : unsetMarker());
}

QString SnpElementPattern::attributeSentence(const PrompterBaseImpl* prompter, const QString& attrId,
                                             const QString& sentence) {
    const QString link = prompter != nullptr ? PrompterBaseImpl::getHyperlink(attrId, prompter->getURL(attrId)) : QString();
    return sentence.arg(link.isEmpty() ? unsetMarker() : link);
}

Workflow::ActorPrototype* SnpElementPattern::registerElement(const Descriptor& element, const QList<PortDescriptor*>& ports,
                                                             const QList<Attribute*>& attributes,
                                                             const QMap<QString, PropertyDelegate*>& delegates,
                                                             Prompter* prompter, Workflow::DomainFactory* factory) {
    auto* proto = new IntegralBusActorPrototype(element, ports, attributes);
    proto->setPrompter(prompter);
    proto->setEditor(new DelegateEditor(delegates));
    SnpElementRunChecks::addTo(proto);
    if (!WorkflowEnv::getProtoRegistry()->registerProto(BaseActorCategories::CATEGORY_SNP_ANNOTATION(), proto)) {
        delete proto;
        delete factory;
        return nullptr;
    }
    Workflow::DomainFactory* local = WorkflowEnv::getDomainRegistry()->getById(LocalDomainFactory::ID);
    if (local == nullptr || !local->registerEntry(factory)) {
        coreLog.error(tr("No worker factory could be registered for element \"%1\"").arg(element.getId()));
        delete factory;
    }
    return proto;
}

}  // namespace LocalWorkflow
}  // namespace Nx
