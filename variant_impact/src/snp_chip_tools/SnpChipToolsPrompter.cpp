#include "SnpChipToolsPrompter.h"

#include <element_pattern/SnpElementPattern.h>

namespace Nx {
namespace LocalWorkflow {

QString SnpChipToolsPrompter::composeDescription() {
    return SnpElementPattern::inputSentence(target, tr("Uses variations from <u>%1</u> as input."));
}

}  // namespace LocalWorkflow
}  // namespace Nx
