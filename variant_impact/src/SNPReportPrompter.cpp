#include "SNPReportPrompter.h"

#include "SNPReportWriterFactory.h"

#include <element_pattern/SnpElementPattern.h>

namespace Nx {
namespace LocalWorkflow {

QString SNPReportPrompter::composeDescription() {
    return SnpElementPattern::inputSentence(target, tr("Uses SNPs from <u>%1</u> as input.")) +
           SnpElementPattern::attributeSentence(this, SNPReportWriterFactory::IN_GENE_REPORT_PATH_ATTR_ID,
                                                tr(" Writes in-gene SNP report to <u>%1</u>.")) +
           SnpElementPattern::attributeSentence(this, SNPReportWriterFactory::REGULATORY_REPORT_PATH_ATTR_ID,
                                                tr(" Writes regulatory SNP report to <u>%1</u>."));
}

}  // namespace LocalWorkflow
}  // namespace Nx
