// Annotation of a track on two threads: one evaluates the variations with connections of its
// own and records what the evaluation would write; the caller's thread makes those writes
// through the caller's evaluator, batch by batch, in the order they were recorded. Evaluation
// (reading the reference) and writing (the workflow database's B-trees and commits) then overlap,
// and the workflow database ends up exactly as a single thread leaves it: the same rows, row ids
// and commits. At most a few batches wait between the two, so memory stays bounded.
#pragma once

#include <NxCore/records/NxDbiRef.h>
#include <NxCore/records/NxVariant.h>

namespace Nx {

class DamageEffectEvaluator;
class NxOpStatus;

class AnnotationPipeline {
public:
    // Variations evaluated per batch handed to the writing thread.
    static const int BATCH_VARIATIONS = 4096;
    // Batches that may wait for the writing thread before the evaluating one waits in turn.
    static const int QUEUED_BATCHES = 4;

    // Annotates the track as DamageEffectEvaluator::annotateTracks does for one track: count is
    // the variations done so far over all tracks and drives os's progress against total. An
    // error of either thread ends up in os; cancellation through os stops both.
    static void annotateTrack(DamageEffectEvaluator& writer, const NxDbiRef& sessionRef, const NxDbiRef& referenceRef,
                              const NxVariantTrack& track, int mode, qint64 total, qint64& count, NxOpStatus& os);
};

}  // namespace Nx
