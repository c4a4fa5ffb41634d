// The evaluator's writes to the workflow database: made at once, or recorded by an evaluating
// thread and made later, in the same order, by the writing one (AnnotationPipeline).
#include "DamageEffectEvaluator.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DamageEffectDbi.h>

namespace Nx {

void DamageEffectEvaluator::storeEffect(const DamageEffect& effect, NxOpStatus& os) {
    if (recorder != nullptr) {
        recorder->order.push_back({RecordedWrites::Effect, int(recorder->effects.size()), NxDataId()});
        recorder->effects.push_back(effect);
        return;
    }
    damageEffectDbi->storeEffect(effect, os);
}

void DamageEffectEvaluator::markKnownChecked(const NxDataId& variant, NxOpStatus& os) {
    if (recorder != nullptr) {
        recorder->order.push_back({RecordedWrites::KnownChecked, -1, variant});
        return;
    }
    damageEffectDbi->markKnownChecked(variant, os);
}

void DamageEffectEvaluator::markGeneEvaluated(const NxDataId& variant, NxOpStatus& os) {
    if (recorder != nullptr) {
        recorder->order.push_back({RecordedWrites::GeneEvaluated, -1, variant});
        return;
    }
    damageEffectDbi->markGeneEvaluated(variant, os);
}

void DamageEffectEvaluator::setPublicId(const NxDataId& track, const NxDataId& variant, const QString& id,
                                        NxOpStatus& os) {
    if (recorder != nullptr) {
        recorder->order.push_back({RecordedWrites::PublicId, int(recorder->publicIds.size()), NxDataId()});
        recorder->publicIds.push_back({track, variant, id});
        return;
    }
    damageEffectDbi->storePublicId(track, variant, id, os);
}

void DamageEffectEvaluator::replay(const RecordedWrites& writes, NxOpStatus& os) {
    if (!checkSessionTables(os)) {
        return;
    }
    for (const RecordedWrites::Write& w : writes.order) {
        if (os.hasError()) {
            return;
        }
        switch (w.kind) {
            case RecordedWrites::Effect:
                damageEffectDbi->storeEffect(writes.effects[size_t(w.index)], os);
                break;
            case RecordedWrites::KnownChecked:
                damageEffectDbi->markKnownChecked(w.variant, os);
                break;
            case RecordedWrites::GeneEvaluated:
                damageEffectDbi->markGeneEvaluated(w.variant, os);
                break;
            case RecordedWrites::PublicId: {
                const RecordedWrites::PublicIdWrite& p = writes.publicIds[size_t(w.index)];
                damageEffectDbi->storePublicId(p.track, p.variant, p.publicId, os);
                break;
            }
        }
    }
}

}  // namespace Nx
