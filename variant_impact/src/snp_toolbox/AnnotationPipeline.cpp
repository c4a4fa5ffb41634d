#include "AnnotationPipeline.h"

#include "DamageEffectEvaluator.h"

#include <NxCore/core/BoundedQueue.h>
#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/DbiOperationsBlock.h>
#include <NxCore/dbi/NxDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>

#include <QThread>

#include <limits>
#include <memory>

namespace Nx {

namespace {

struct Batch {
    QVector<DamageEffectEvaluator::RecordedWrite> writes;
    qint64 variations = 0;  // evaluated for this batch
    QString error;          // the evaluation failed after these writes
    bool last = false;
};

using BatchQueue = BoundedQueue<Batch>;

// The evaluating thread: its own connections, an evaluator that records instead of writing.
void evaluateTrack(const NxDbiRef& sessionRef, const NxDbiRef& referenceRef, const NxVariantTrack& track, int mode,
                   BatchQueue& queue) {
    NxOpStatusImpl os;
    Batch batch;
    {
        DbiConnection reference;
        reference.openReadOnly(referenceRef, os);
        DbiConnection session(sessionRef, false, os);
        // The reference is only read: one read transaction, as the caller holds one.
        DbiOperationsBlock referenceBlock(referenceRef, os, false);
        if (!os.hasError()) {
            DamageEffectEvaluator evaluator(session.dbi, reference.dbi, true);
            evaluator.setRecorder(&batch.writes);
            KnownMutationsTrack knownTrack;
            evaluator.prepareTrack(track, knownTrack, os);
            std::unique_ptr<NxDbiIterator<NxVariant>> it(session.dbi->getVariantDbi()->getVariantsInRegion(
                track.id, NxRegion(0, std::numeric_limits<qint64>::max()), os));
            while (it != nullptr && !os.hasError() && it->hasNext()) {
                evaluator.evaluateVariation(it->next(), knownTrack, track, mode, os);
                ++batch.variations;
                if (batch.variations == AnnotationPipeline::BATCH_VARIATIONS && !os.hasError()) {
                    if (!queue.push(std::move(batch))) {
                        return;
                    }
                    batch = Batch();
                }
            }
            evaluator.setRecorder(nullptr);
        }
    }
    batch.error = os.getError();
    batch.last = true;
    queue.push(std::move(batch));
}

}  // namespace

void AnnotationPipeline::annotateTrack(DamageEffectEvaluator& writer, const NxDbiRef& sessionRef,
                                       const NxDbiRef& referenceRef, const NxVariantTrack& track, int mode,
                                       qint64 total, qint64& count, NxOpStatus& os) {
    if (os.isCoR()) {
        return;
    }
    BatchQueue queue(QUEUED_BATCHES);
    std::unique_ptr<QThread> evaluating(QThread::create(
        [&sessionRef, &referenceRef, &track, mode, &queue]() { evaluateTrack(sessionRef, referenceRef, track, mode, queue); }));
    evaluating->start();
    for (;;) {
        Batch batch = queue.pop();
        writer.replay(batch.writes, os);
        count += batch.variations;
        // As a single thread leaves it: the value set before the last variation was counted. A
        // count beyond the total (variations added meanwhile) must not report more than 100.
        if (total > 0 && batch.variations > 0) {
            os.setProgress(static_cast<int>(qMin<qint64>(100, (count - 1) * 100 / total)));
        }
        if (!batch.error.isEmpty() && !os.hasError()) {
            os.setError(batch.error);
        }
        if (batch.last || os.isCoR()) {
            break;
        }
    }
    queue.close();
    evaluating->wait();
}

}  // namespace Nx
