#include "VOZAdarovaPrompter.h"

#include "VOZAdarovaWorkerFactory.h"

#include <NxLang/base/BasePorts.h>
#include <NxLang/base/BaseSlots.h>

namespace Nx {
namespace LocalWorkflow {

QString VOZAdarovaPrompter::composeDescription() {
    const QString unsetText = "<font color='red'>" + tr("unset") + "</font>";
    Actor* producer = nullptr;
    if (target != nullptr) {
        if (auto* input = qobject_cast<IntegralBusPort*>(target->getPort(BasePorts::IN_VARIATION_TRACK_PORT_ID()))) {
            producer = input->getProducer(BaseSlots::VARIATION_TRACK_SLOT().getId());
        }
    }
    const QString producerText = producer != nullptr ? producer->getLabel() : unsetText;
    const QString dbLink =
        getHyperlink(VOZAdarovaWorkerFactory::DB_PATH_ATTR_ID, getURL(VOZAdarovaWorkerFactory::DB_PATH_ATTR_ID));
    return tr("Uses variations from <u>%1</u> as input.").arg(producerText) +
           tr(" Takes annotations from <u>%1</u> database.").arg(dbLink.isEmpty() ? unsetText : dbLink);
}

}  // namespace LocalWorkflow
}  // namespace Nx
