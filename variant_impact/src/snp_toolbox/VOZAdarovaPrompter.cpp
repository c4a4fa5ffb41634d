#include "VOZAdarovaPrompter.h"

#include "VOZAdarovaWorkerFactory.h"

#include <element_pattern/SnpElementPattern.h>

namespace Nx {
namespace LocalWorkflow {

QString VOZAdarovaPrompter::composeDescription() {
    return SnpElementPattern::inputSentence(target) +
           SnpElementPattern::attributeSentence(this, VOZAdarovaWorkerFactory::DB_PATH_ATTR_ID,
                                                tr(" Takes annotations from <u>%1</u> database."));
}

}  // namespace LocalWorkflow
}  // namespace Nx
