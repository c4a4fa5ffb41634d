// Worker of "tata-box-snp": for every gene whose promoter window (50 letters, 20 to 70 letters
// upstream of the transcription start on the gene's strand) holds a variation, one in-process
// analysis of the window with and without the variation; the base stores each answer as
// "TATA_TOOLS:<feature id>" on the variation.
#pragma once

#include <BaseRequestForSnpWorker.h>

#include <NxCore/records/Gene.h>

namespace Nx {
namespace LocalWorkflow {

class AnalyzeTataBoxesWorker : public BaseRequestForSnpWorker {
    Q_OBJECT
public:
    static const qint64 WINDOW_LENGTH = 50;    // letters of a promoter window
    static const qint64 WINDOW_NEAR = 20;      // distance of its near end from the gene
    static const qint64 WINDOW_FAR = 70;       // distance of its far end from the gene

    explicit AnalyzeTataBoxesWorker(Actor* a);

    // The promoter window of the gene; false when it has none (too close to the sequence start).
    static bool promoterWindow(const Gene& gene, NxRegion& window);

protected:
    QStringList getResultKeys() const override;
    QList<Task*> createRequestTasks(const NxVariant& variation, const NxVariantTrack& track, NxDbi* snpDatabase) override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
