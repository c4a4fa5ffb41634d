// What the report asks the evaluator about a variation: its effects (evaluated on the way when
// still missing), the genes it lies in, and the genes whose promoter holds it.
#include "DamageEffectEvaluator.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DamageEffectDbi.h>
#include <NxCore/variation/GeneQueryCache.h>
#include <NxCore/variation/SNPTablesUtils.h>
#include <NxCore/variation/SequenceQueryCache.h>

namespace Nx {

namespace {

// Start of the promoter window before a variation: PROMOTER_WINDOW bases, clipped at the
// chromosome start.
qint64 windowBefore(const NxVariant& variant) {
    return qMax<qint64>(0, variant.startPos - DamageEffectEvaluator::PROMOTER_WINDOW);
}

}  // namespace

QList<Gene> DamageEffectEvaluator::findGenes(const NxRegion& region, const NxDataId& sequenceId, NxOpStatus& os) {
    if (useCache) {
        return geneCache->overlappedGenes(region, sequenceId, os);
    }
    return SNPTablesUtils::findGenes(sequenceId, region, featureDbi, os, QList<int>());
}

bool DamageEffectEvaluator::hasGene(const NxRegion& region, const NxDataId& sequenceId, NxOpStatus& os) {
    if (useCache) {
        return geneCache->isIntersect(region, sequenceId, os);
    }
    return !SNPTablesUtils::findGenes(sequenceId, region, featureDbi, os, QList<int>()).isEmpty();
}

QList<DamageEffect> DamageEffectEvaluator::damageEffects(const NxVariant& variant, const NxVariantTrack& track, int mode,
                                                         NxOpStatus& os) {
    if (!checkTables(os) || !checkSessionTables(os)) {
        return {};
    }
    QList<DamageEffect> result = damageEffectDbi->getEffects(variant.id, os);
    NX_CHECK_OP(os, {});
    if (mode == Mode_KnownMutations) {
        return result;
    }
    bool needsEvaluation = damageEffectDbi->needsGeneEvaluation(variant.id, os);
    NX_CHECK_OP(os, result);
    if (needsEvaluation && !evaluationAllowed && variant.isSingleBase()) {
        evaluationRefused = true;
        os.setError(tr("The gene effects of a variation at %1 are not evaluated yet").arg(variant.startPos + 1));
        return result;
    }
    if (needsEvaluation) {
        sequenceCache->setSequenceId(sequenceOf(track));
        result.append(evaluateGeneEffects(variant, track, os));
    }
    return result;
}

QList<Gene> DamageEffectEvaluator::genesAtVariant(const NxVariant& variant, const NxDataId& sequenceId, NxOpStatus& os) {
    if (!checkTables(os)) {
        return {};
    }
    return findGenes(regionOf(variant), sequenceId, os);
}

bool DamageEffectEvaluator::isInGene(const NxVariant& variant, const NxDataId& sequenceId) {
    NxOpStatusImpl os;
    return isInGene(variant, sequenceId, os);
}

bool DamageEffectEvaluator::isInGene(const NxVariant& variant, const NxDataId& sequenceId, NxOpStatus& os) {
    if (!checkTables(os)) {
        return false;
    }
    return hasGene(regionOf(variant), sequenceId, os);
}

bool DamageEffectEvaluator::hasNoRegulatoryRows(const NxVariant& variant, const NxDataId& sequenceId) {
    NxOpStatusImpl os;
    if (!checkTables(os) || !checkSessionTables(os)) {
        return false;
    }
    // The union of both windows of regulatedGenes.
    const qint64 before = windowBefore(variant);
    if (hasGene(NxRegion(before, variant.startPos + PROMOTER_WINDOW - before), sequenceId, os) || os.hasError()) {
        return false;
    }
    // damageEffects would evaluate (or refuse) such a variation: that must still happen.
    if (variant.isSingleBase() && damageEffectDbi->needsGeneEvaluation(variant.id, os)) {
        return false;
    }
    return !os.hasError();
}

QList<Gene> DamageEffectEvaluator::regulatedGenes(const NxVariant& variant, const NxDataId& sequenceId) {
    NxOpStatusImpl os;
    if (!checkTables(os)) {
        return {};
    }
    if (hasGene(regionOf(variant), sequenceId, os)) {
        return {};
    }
    QList<Gene> result;
    // A forward-strand gene starting within the window after the variation has it in its promoter.
    for (const Gene& gene : findGenes(NxRegion(variant.startPos, PROMOTER_WINDOW), sequenceId, os)) {
        if (!gene.isComplemented()) {
            result.append(gene);
        }
    }
    // A reverse-strand gene starts at its right end: its promoter lies after it, i.e. before the
    // variation. Near the chromosome start the window is clipped at 0 and still ends at the
    // variation; a fixed length would reach past it to genes whose start lies downstream.
    const qint64 before = windowBefore(variant);
    for (const Gene& gene : findGenes(NxRegion(before, variant.startPos - before), sequenceId, os)) {
        if (gene.isComplemented()) {
            result.append(gene);
        }
    }
    return result;
}

}  // namespace Nx
