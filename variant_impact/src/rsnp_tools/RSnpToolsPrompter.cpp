#include "RSnpToolsPrompter.h"

#include <element_pattern/SnpElementPattern.h>

namespace Nx {
namespace LocalWorkflow {

QString RSnpToolsPrompter::composeDescription() {
    return SnpElementPattern::inputSentence(target, tr("Uses variations from <u>%1</u> as input.")) +
           SnpElementPattern::attributeSentence(this, SnpElementPattern::DB_PATH_ATTR_ID,
                                                tr(" Takes sequences from <u>%1</u> database."));
}

}  // namespace LocalWorkflow
}  // namespace Nx
