#include "AnalyzeTataBoxesTask.h"

#include <SnpRequestKeys.h>

#include <NxCore/log/Logger.h>
#include <tata_box_analysis/model/TataSignificance.h>
#include <tata_box_analysis/model/TataSiteScan.h>

namespace Nx {

AnalyzeTataBoxesTask::AnalyzeTataBoxesTask(const QVariantMap& inputData, const NxVariant& variation)
    : BaseSnpAnnotationTask(inputData, variation, "Get variant impact on tata boxes") {
    setFlag(TaskFlag_NoRun);
}

void AnalyzeTataBoxesTask::prepare() {
    if (!inputData.contains(SnpRequestKeys::TATA_FIRST_SEQUENCE) || !inputData.contains(SnpRequestKeys::TATA_SECOND_SEQUENCE)) {
        return;
    }
    const QByteArray seq1 = inputData.value(SnpRequestKeys::TATA_FIRST_SEQUENCE).toByteArray();
    const QByteArray seq2 = inputData.value(SnpRequestKeys::TATA_SECOND_SEQUENCE).toByteArray();
    if (seq1.size() != seq2.size()) {
        NX_RECOVER_MSG(QString("AnalyzeTataBoxesTask::sites of tata boxes must be similar in the length"));
        return;
    }
    // constData() is NUL-terminated, as the model expects.
    const TataSiteScore reference = bestTataSite(seq1.constData());
    if (reference.affinity == -1.0f) {
        return;
    }
    const TataSiteScore variant = bestTataSite(seq2.constData());
    if (variant.affinity == -1.0f) {
        return;
    }
    const double z = tataZStatistic(reference, variant);
    result[SnpRequestKeys::TATA_RESULT] = QString::fromStdString(tataSignificanceText(z));
}

}  // namespace Nx
