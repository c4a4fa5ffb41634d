// Whether one variation changes the TATA box of one gene's promoter: the best site of the
// reference stretch ("--seq1") against the best site of the same stretch with the variation
// ("-seq2"), as a z statistic and the highest confidence level it reaches ("2.6/0.99"). Every
// failure leaves the answer empty; the task itself never fails.
#pragma once

#include <BaseSnpAnnotationTask.h>

namespace Nx {

class AnalyzeTataBoxesTask : public BaseSnpAnnotationTask {
    Q_OBJECT
public:
    AnalyzeTataBoxesTask(const QVariantMap& inputData, const NxVariant& variation);

    // The whole analysis. It is short (tens of microseconds with the model's fast scorer), so it
    // stays on the scheduler's thread and the task needs no pool thread at all.
    void prepare() override;
    void run() override {}

    QVariantMap getResults() const override { return result; }

private:
    QVariantMap result;  // "TATA_TOOLS" -> label text after a successful analysis, else empty
};

}  // namespace Nx
