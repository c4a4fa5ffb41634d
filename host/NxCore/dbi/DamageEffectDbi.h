// Damage-effect table of the workflow database: the stored effects of each variation and the
// mark that tells whether its gene effects still have to be evaluated.
#pragma once

#include <NxCore/dbi/NxDbiIterator.h>
#include <NxCore/records/DamageEffect.h>

#include <memory>

namespace Nx {

class NxOpStatus;

class DamageEffectDbi {
public:
    virtual ~DamageEffectDbi() = default;

    virtual void storeEffect(const DamageEffect& effect, NxOpStatus& os) = 0;
    // Every stored record of the variation, in storage order. The caller deletes the iterator.
    virtual NxDbiIterator<DamageEffect>* listEffects(const NxDataId& variantId, NxOpStatus& os) = 0;
    // The same records as a list; a table that keeps them in lists hands out a shared one.
    virtual QList<DamageEffect> getEffects(const NxDataId& variantId, NxOpStatus& os) {
        QList<DamageEffect> effects;
        std::unique_ptr<NxDbiIterator<DamageEffect>> it(listEffects(variantId, os));
        while (it != nullptr && it->hasNext()) {
            effects.append(it->next());
        }
        return effects;
    }
    // True until markGeneEvaluated was called for the variation.
    virtual bool needsGeneEvaluation(const NxDataId& variantId, NxOpStatus& os) = 0;
    virtual void markGeneEvaluated(const NxDataId& variantId, NxOpStatus& os) = 0;
    virtual void markKnownChecked(const NxDataId& variantId, NxOpStatus& os) = 0;
    // The public identifier a known mutation gives the variation, written with the effects
    // stored before it (a variation of another track is an error of that write).
    virtual void storePublicId(const NxDataId& trackId, const NxDataId& variantId, const QString& publicId,
                               NxOpStatus& os) = 0;
    // End of an annotation run: write out what is buffered, then finish.
    virtual void flushEffects(NxOpStatus& os) = 0;
    virtual void finishEffects(NxOpStatus& os) = 0;
};

}  // namespace Nx
