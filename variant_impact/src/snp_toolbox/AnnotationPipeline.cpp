#include "AnnotationPipeline.h"

#include "DamageEffectEvaluator.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/DbiOperationsBlock.h>
#include <NxCore/dbi/NxDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>

#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <memory>
#include <vector>

namespace Nx {

namespace {

struct PartResult {
    DamageEffectEvaluator::RecordedWrites writes;
    qint64 variations = 0;  // evaluated in the part
    QString error;          // the evaluation failed after these writes
    bool finished = false;
};

// State the evaluating threads share with the writing one.
struct Shared {
    QMutex lock;
    QWaitCondition changed;
    QList<NxRegion> parts;
    std::vector<PartResult> results;
    int nextPart = 0;  // the next part to evaluate
    int written = 0;   // parts whose writes were made
    int ahead = 1;     // parts that may be evaluated beyond the written ones
    bool stop = false;
};

// An evaluating thread: its own connections and an evaluator that records instead of writing.
void evaluateParts(const NxDbiRef& sessionRef, const NxDbiRef& referenceRef, const NxVariantTrack& track, int mode,
                   Shared& shared) {
    NxOpStatusImpl openOs;
    DbiConnection reference;
    reference.openReadOnly(referenceRef, openOs);
    DbiConnection session(sessionRef, false, openOs);
    // The reference is only read: one read transaction, as the caller holds one.
    DbiOperationsBlock referenceBlock(referenceRef, openOs, false);
    std::unique_ptr<DamageEffectEvaluator> evaluator;
    KnownMutationsTrack knownTrack;
    if (!openOs.hasError()) {
        evaluator.reset(new DamageEffectEvaluator(session.dbi, reference.dbi, true));
        evaluator->prepareTrack(track, knownTrack, openOs);
    }
    size_t lastWrites = 0;  // of the previous part: parts are alike, so the next one gets that room
    for (;;) {
        int i = -1;
        {
            QMutexLocker locker(&shared.lock);
            while (!shared.stop && shared.nextPart < shared.parts.size() &&
                   shared.nextPart >= shared.written + shared.ahead) {
                shared.changed.wait(&shared.lock);
            }
            if (shared.stop || shared.nextPart >= shared.parts.size()) {
                return;
            }
            i = shared.nextPart++;
        }
        PartResult result;
        if (openOs.hasError()) {
            result.error = openOs.getError();
        } else {
            NxOpStatusImpl os;
            result.writes.order.reserve(lastWrites + lastWrites / 8);
            evaluator->setRecorder(&result.writes);
            std::unique_ptr<NxDbiIterator<NxVariant>> it(
                session.dbi->getVariantDbi()->getVariantsInRegion(track.id, shared.parts[i], os));
            while (it != nullptr && !os.hasError() && it->hasNext()) {
                evaluator->evaluateVariation(it->next(), knownTrack, track, mode, os);
                ++result.variations;
            }
            evaluator->setRecorder(nullptr);
            lastWrites = result.writes.order.size();
            result.error = os.getError();
        }
        const bool failed = !result.error.isEmpty();
        {
            QMutexLocker locker(&shared.lock);
            result.finished = true;
            shared.results[size_t(i)] = std::move(result);
            shared.changed.wakeAll();
        }
        // The writer stops at this part; later ones would be thrown away.
        if (failed) {
            return;
        }
    }
}

}  // namespace

void AnnotationPipeline::annotateTrack(DamageEffectEvaluator& writer, NxVariantDbi* variants,
                                       const NxDbiRef& sessionRef, const NxDbiRef& referenceRef,
                                       const NxVariantTrack& track, int mode, int threads, qint64 partVariations,
                                       qint64 total, qint64& count, NxOpStatus& os) {
    if (os.isCoR()) {
        return;
    }
    Shared shared;
    shared.parts = variants->splitTrack(track.id, qMax<qint64>(1, partVariations), os);
    if (os.isCoR() || shared.parts.isEmpty()) {
        return;
    }
    shared.results.resize(size_t(shared.parts.size()));
    const int n = qBound(1, threads, shared.parts.size());
    shared.ahead = n + 1;

    std::vector<std::unique_ptr<QThread>> evaluating;
    for (int t = 0; t < n; ++t) {
        evaluating.emplace_back(QThread::create(
            [&sessionRef, &referenceRef, &track, mode, &shared]() { evaluateParts(sessionRef, referenceRef, track, mode, shared); }));
        evaluating.back()->start();
    }
    for (int i = 0; i < shared.parts.size(); ++i) {
        PartResult result;
        {
            QMutexLocker locker(&shared.lock);
            while (!shared.results[size_t(i)].finished && !os.isCanceled()) {
                shared.changed.wait(&shared.lock, 100);
            }
            if (!shared.results[size_t(i)].finished) {
                break;  // canceled
            }
            result = std::move(shared.results[size_t(i)]);
        }
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
        {
            QMutexLocker locker(&shared.lock);
            shared.written = i + 1;
            shared.changed.wakeAll();
        }
        if (os.isCoR()) {
            break;
        }
    }
    {
        QMutexLocker locker(&shared.lock);
        shared.stop = true;
        shared.changed.wakeAll();
    }
    for (auto& t : evaluating) {
        t->wait();
    }
}

}  // namespace Nx
