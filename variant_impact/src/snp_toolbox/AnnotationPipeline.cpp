#include "AnnotationPipeline.h"

#include "DamageEffectEvaluator.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/core/OrderedParts.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/DbiOperationsBlock.h>
#include <NxCore/dbi/NxDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>

#include <memory>

namespace Nx {

namespace {

struct PartResult {
    DamageEffectEvaluator::RecordedWrites writes;
    qint64 variations = 0;  // evaluated in the part
    QString error;          // the evaluation failed after these writes
};

// An evaluating thread's connections and an evaluator that records instead of writing; made,
// used and closed on that thread.
class PartEvaluator {
public:
    PartEvaluator(const NxDbiRef& sessionRef, const NxDbiRef& referenceRef, const NxVariantTrack& track) {
        reference.openReadOnly(referenceRef, openOs);
        session.reset(new DbiConnection(sessionRef, false, openOs));
        // The reference is only read: one read transaction, as the caller holds one.
        referenceBlock.reset(new DbiOperationsBlock(referenceRef, openOs, false));
        if (!openOs.hasError()) {
            evaluator.reset(new DamageEffectEvaluator(session->dbi, reference.dbi, true));
            evaluator->prepareTrack(track, knownTrack, openOs);
        }
    }

    // False when the part failed: the writer stops at it, so later parts are not needed.
    bool evaluate(const NxRegion& part, const NxVariantTrack& track, int mode, PartResult& result) {
        if (openOs.hasError()) {
            result.error = openOs.getError();
            return false;
        }
        NxOpStatusImpl os;
        // Parts are alike: the next one gets the room the last one needed.
        result.writes.order.reserve(lastWrites + lastWrites / 8);
        evaluator->setRecorder(&result.writes);
        std::unique_ptr<NxDbiIterator<NxVariant>> it(session->dbi->getVariantDbi()->getVariantsInRegion(track.id, part, os));
        while (it != nullptr && !os.hasError() && it->hasNext()) {
            evaluator->evaluateVariation(it->next(), knownTrack, track, mode, os);
            ++result.variations;
        }
        evaluator->setRecorder(nullptr);
        lastWrites = result.writes.order.size();
        result.error = os.getError();
        return result.error.isEmpty();
    }

private:
    NxOpStatusImpl openOs;
    DbiConnection reference;
    std::unique_ptr<DbiConnection> session;
    std::unique_ptr<DbiOperationsBlock> referenceBlock;
    std::unique_ptr<DamageEffectEvaluator> evaluator;
    KnownMutationsTrack knownTrack;
    size_t lastWrites = 0;
};

}  // namespace

void AnnotationPipeline::annotateTrack(DamageEffectEvaluator& writer, NxVariantDbi* variants,
                                       const NxDbiRef& sessionRef, const NxDbiRef& referenceRef,
                                       const NxVariantTrack& track, int mode, int threads, qint64 partVariations,
                                       qint64 total, qint64& count, NxOpStatus& os) {
    if (os.isCoR()) {
        return;
    }
    const QList<NxRegion> parts = variants->splitTrack(track.id, qMax<qint64>(1, partVariations), os);
    if (os.isCoR() || parts.isEmpty()) {
        return;
    }
    const int n = qBound(1, threads, parts.size());
    OrderedParts<PartResult> evaluated(parts.size(), n, n + 1, [&]() -> OrderedParts<PartResult>::Worker {
        auto evaluator = std::make_shared<PartEvaluator>(sessionRef, referenceRef, track);
        return [evaluator, &parts, &track, mode](int i, PartResult& result) {
            return evaluator->evaluate(parts[i], track, mode, result);
        };
    });
    PartResult result;
    while (evaluated.takeNext(result, [&os]() { return os.isCanceled(); })) {
        writer.replay(result.writes, os);
        count += result.variations;
        // As a single thread leaves it: the value set before the last variation was counted. A
        // count beyond the total (variations added meanwhile) must not report more than 100.
        if (total > 0 && result.variations > 0) {
            os.setProgress(static_cast<int>(qMin<qint64>(100, (count - 1) * 100 / total)));
        }
        if (!result.error.isEmpty() && !os.hasError()) {
            os.setError(result.error);
        }
        if (os.isCoR()) {
            break;
        }
    }
}

}  // namespace Nx
