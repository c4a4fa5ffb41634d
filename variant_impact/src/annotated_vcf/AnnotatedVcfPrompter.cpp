#include "AnnotatedVcfPrompter.h"

#include "AnnotatedVcfWorkerFactory.h"

#include <element_pattern/SnpElementPattern.h>

namespace Nx {
namespace LocalWorkflow {

QString AnnotatedVcfPrompter::composeDescription() {
    return SnpElementPattern::inputSentence(target) +
           SnpElementPattern::attributeSentence(this, AnnotatedVcfWorkerFactory::URL_OUT_ATTR_ID,
                                                tr(" Writes them with their annotations to <u>%1</u>."));
}

}  // namespace LocalWorkflow
}  // namespace Nx
