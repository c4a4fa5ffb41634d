// Annotation of a track on several threads. The track is cut into parts of consecutive start
// positions; evaluating threads, each with connections of its own, take the next part and record
// what its evaluation would write, and the caller's thread makes those writes through the
// caller's evaluator, part after part, in track order. Evaluation (reading the reference) and
// writing (the workflow database's B-trees and commits) then overlap, and the workflow database
// ends up exactly as a single thread leaves it: the same rows, row ids and commits, since every
// variation is evaluated on its own. Only a few parts are evaluated ahead of the writing, so
// memory stays bounded.
#pragma once

#include <NxCore/records/NxDbiRef.h>
#include <NxCore/records/NxVariant.h>

namespace Nx {

class DamageEffectEvaluator;
class NxOpStatus;
class NxVariantDbi;

class AnnotationPipeline {
public:
    // Annotates the track as DamageEffectEvaluator::annotateTracks does for one track, with up to
    // `threads` evaluating threads, each taking partVariations at a time: count is the variations done so far over all tracks and
    // drives os's progress against total. variants is the writer's variant table. An error of
    // any thread ends up in os, after the writes of the variations evaluated before it;
    // cancellation through os stops every thread.
    static void annotateTrack(DamageEffectEvaluator& writer, NxVariantDbi* variants, const NxDbiRef& sessionRef,
                              const NxDbiRef& referenceRef, const NxVariantTrack& track, int mode, int threads,
                              qint64 partVariations, qint64 total, qint64& count, NxOpStatus& os);
};

}  // namespace Nx
