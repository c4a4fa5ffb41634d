// Damage-effect evaluation of variations against the reference database.
//
// Two kinds of result, both DamageEffect records stored in the workflow database:
//  - known effect (empty gene name): the reference database holds a known mutation at the same
//    position with the same reference and observed alleles; carries its scores, whether the
//    variation lies in a segmental duplication ("SD") or conserved region ("CR"), and whether the
//    mutation's identifier became the variation's public identifier;
//  - gene effect (gene name set): one per transcript that a single-base variation overlaps;
//    `damaging` when it can change the protein (or, outside the protein, lies in a splice site),
//    `aminoAcidChanged` when the varied codon codes another amino acid, and the gene's
//    damage-matrix score of the new amino acid (-1 when the gene has no matrix).
//
// Annotation of a track (annotateTracks):
//  1. Find the track's reference sequence (its own id, else by chromosome name) and the
//     known-mutation track of that chromosome; point the sequence cache at the sequence.
//  2. For every variation of the track, in position order, with progress per variation:
//     a. known mutations at the variation's start are compared by observed, then reference allele;
//        the first match gives the known effect, which is stored; a single-base variation is then
//        marked as looked up, found or not;
//     b. a single-base variation still marked as needing gene evaluation gets one gene effect per
//        overlapping transcript, in the host's order: inside the CDS the reference codon is read,
//        complemented on the reverse strand, varied with the observed allele and both are
//        translated; outside it only the splice-site test counts. All effects of the variation are
//        stored together and the variation is marked as evaluated only when every step succeeded,
//        so a failure leaves it untouched and a later call tries again.
//  3. After the last track the damage-effect table is flushed and finished.
//
// The queries the report asks are in DamageEffectQueries.cpp, the writes (or their recording for
// the annotation's threads) in DamageEffectRecording.cpp.
//
// The tables are borrowed from the two connections of the caller; an evaluator whose set-up
// failed keeps every table null and each operation then fails its table check and does nothing.
#include "DamageEffectEvaluator.h"

#include "AnnotationPipeline.h"

#include <NxCore/attributes/NxAttributeUtils.h>
#include <NxCore/biology/BaseDNAAlphabetIds.h>
#include <NxCore/biology/DNAAlphabetRegistry.h>
#include <NxCore/biology/DNATranslation.h>
#include <NxCore/biology/DNATranslationRegistry.h>
#include <NxCore/core/AppContext.h>
#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DamageEffectDbi.h>
#include <NxCore/dbi/KnownMutationsDbi.h>
#include <NxCore/dbi/NxAttributeDbi.h>
#include <NxCore/dbi/NxDbi.h>
#include <NxCore/dbi/NxFeatureDbi.h>
#include <NxCore/dbi/NxObjectDbi.h>
#include <NxCore/dbi/NxSequenceDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/log/Logger.h>
#include <NxCore/records/ReferenceVocabulary.h>
#include <NxCore/variation/GeneQueryCache.h>
#include <NxCore/variation/KnownMutationsUtils.h>
#include <NxCore/variation/SNPTablesUtils.h>
#include <NxCore/variation/SequenceQueryCache.h>
#include <NxCore/variation/RegionClassCache.h>
#include <NxCore/variation/VariationPropertiesUtils.h>
#include <NxFormats/snp/SNPDatabaseUtils.h>

#include <QThread>

#include <limits>
#include <memory>

namespace Nx {

namespace {

const char* const DE_MATRIX_LENGTH_ATTRIBUTE = "DEAttribute_len";
const char* const DE_MATRIX_ATTRIBUTE = "DEAttribute";
// Half-width of a splice site around an exon boundary.
const int SPLICE_SITE_WIDTH = 2;

char charAt(const QByteArray& codon, int i) {
    return i < codon.size() ? codon.at(i) : '\0';
}

}  // namespace

NxRegion DamageEffectEvaluator::regionOf(const NxVariant& variant) {
    return NxRegion(variant.startPos, variant.regionLength());
}

DamageEffectEvaluator::DamageEffectEvaluator(NxDbi* sessionDbi, NxDbi* databaseDbi, bool useCache)
    : useCache(useCache),
      sdCache(new SpecialRegionsCache(nullptr, ReferenceVocabulary::SEGMENTAL_DUPLICATIONS)),
      crCache(new SpecialRegionsCache(nullptr, ReferenceVocabulary::CONSERVED_REGIONS)),
      geneCache(new GeneQueryCache(nullptr)),
      sequenceCache(new SequenceQueryCache(nullptr, NxDataId())) {
    DNAAlphabetRegistry* alphabets = AppContext::getDNAAlphabetRegistry();
    DNAAlphabet* alphabet = alphabets == nullptr ? nullptr : alphabets->findById(BaseDNAAlphabetIds::NUCL_DNA_DEFAULT());
    NX_SAFE_POINT(alphabet != nullptr, "No Alphabet", );

    DNATranslationRegistry* translations = AppContext::getDNATranslationRegistry();
    QList<DNATranslation*> amino;
    if (translations != nullptr) {
        amino = translations->lookupTranslation(alphabet, DNATranslationType::NucleotideToAmino);
    }
    NX_SAFE_POINT(!amino.isEmpty(), "No AA Translations", );
    aminoTranslation = amino.first();

    QList<DNATranslation*> complement =
        translations->lookupTranslation(alphabet, DNATranslationType::NucleotideToComplement);
    NX_SAFE_POINT(!complement.isEmpty(), "No Compl Translations", );
    complementTranslation = complement.first();

    attachSession(sessionDbi);
    attachDatabase(databaseDbi);
    resetCaches();
}

DamageEffectEvaluator::~DamageEffectEvaluator() {
    sdCache->clear();
    crCache->clear();
    geneCache->clear();
    sequenceCache->clear();
    delete sdCache;
    delete crCache;
    delete geneCache;
    delete sequenceCache;
}

void DamageEffectEvaluator::attachSession(NxDbi* sessionDbi) {
    NX_SAFE_POINT(sessionDbi != nullptr, "Session Dbi is null", );
    session = sessionDbi;
    sessionRef = sessionDbi->getDbiRef();
    variantDbi = sessionDbi->getVariantDbi();
    damageEffectDbi = sessionDbi->getDamageEffectDbi();
}

void DamageEffectEvaluator::attachDatabase(NxDbi* databaseDbi) {
    sequenceIdsByName.clear();
    geneMatrix = GeneMatrix();
    knownWindow = KnownWindow();
    NX_SAFE_POINT(databaseDbi != nullptr, "DataBase Dbi is null", );
    databaseRef = databaseDbi->getDbiRef();
    knownMutationsDbi = databaseDbi->getKnownMutationsDbi();
    attributeDbi = databaseDbi->getAttributeDbi();
    featureDbi = databaseDbi->getFeatureDbi();
    sequenceDbi = databaseDbi->getSequenceDbi();
    objectDbi = databaseDbi->getObjectDbi();
}

bool DamageEffectEvaluator::checkTables(NxOpStatus& os) const {
    if (featureDbi == nullptr) {
        os.setError(tr("Feature Dbi is null"));
        return false;
    }
    if (attributeDbi == nullptr) {
        os.setError(tr("Attribute Dbi is null"));
        return false;
    }
    if (sequenceDbi == nullptr) {
        os.setError(tr("sequence Dbi is null"));
        return false;
    }
    if (objectDbi == nullptr) {
        os.setError(tr("object Dbi is null"));
        return false;
    }
    if (knownMutationsDbi == nullptr) {
        os.setError(tr("knownMutationsDbi is null"));
        return false;
    }
    return true;
}

bool DamageEffectEvaluator::checkSessionTables(NxOpStatus& os) const {
    // Without these the results would have nowhere to go: a clear error instead of a crash.
    if (variantDbi == nullptr || damageEffectDbi == nullptr) {
        os.setError(tr("The workflow database has no variant table or no damage-effect table"));
        return false;
    }
    return true;
}

void DamageEffectEvaluator::resetCaches() {
    NxOpStatusImpl os;
    if (!checkTables(os)) {
        return;
    }
    sdCache->clear();
    crCache->clear();
    geneCache->clear();
    sequenceCache->clear();
    sdCache->setFeatureDbi(featureDbi);
    crCache->setFeatureDbi(featureDbi);
    if (useCache) {
        geneCache->setFeatureDbi(featureDbi);
        sequenceCache->setSequenceDbi(sequenceDbi);
    }
}

NxDataId DamageEffectEvaluator::sequenceOf(const NxVariantTrack& track) const {
    if (!track.sequence.isEmpty()) {
        return track.sequence;
    }
    // The report asks once per variation: remember the answer per chromosome name.
    auto it = sequenceIdsByName.constFind(track.sequenceName);
    if (it != sequenceIdsByName.constEnd()) {
        return it.value();
    }
    const NxDataId id = SNPDatabaseUtils::getSequenceId(track.sequenceName, objectDbi);
    sequenceIdsByName.insert(track.sequenceName, id);
    return id;
}

KnownMutationsTrack DamageEffectEvaluator::knownTrackFor(const NxDataId& sequenceId, NxOpStatus& os) {
    NX_SAFE_POINT(knownMutationsDbi != nullptr, "KnownMutationsDbi is null", KnownMutationsTrack());
    NX_SAFE_POINT(sequenceDbi != nullptr, "NxSequenceDbi is null", KnownMutationsTrack());
    NX_SAFE_POINT(!sequenceId.isEmpty(), "SequenceId is empty", KnownMutationsTrack());

    NxSequence sequence = sequenceDbi->getSequenceObject(sequenceId, os);
    NX_CHECK_OP(os, KnownMutationsTrack());
    int chromosome = KnownMutationsUtils::getNumberByChrName(sequence.visualName);
    coreLog.trace(QString("CHR NUMBER----------------------%1").arg(chromosome));
    if (chromosome == -1) {
        return KnownMutationsTrack();
    }
    return knownMutationsDbi->getTrackByChromosome(chromosome, os);
}

KnownMutation DamageEffectEvaluator::findKnownMutation(const NxVariant& variant, const KnownMutationsTrack& knownTrack,
                                                       NxOpStatus& os) {
    if (!knownTrack.hasValidId()) {
        return KnownMutation();
    }
    const qint64 pos = variant.startPos;
    if (knownWindow.track != knownTrack.id || pos < knownWindow.start || pos >= knownWindow.end) {
        knownWindow = KnownWindow();
        std::unique_ptr<NxDbiIterator<KnownMutation>> it(
            knownMutationsDbi->getMutationsInRegion(knownTrack.id, NxRegion(pos, KNOWN_WINDOW), os));
        if (os.isCoR() || it == nullptr) {
            return KnownMutation();
        }
        while (it->hasNext()) {
            KnownMutation m = it->next();
            knownWindow.at[m.position] << m;
        }
        knownWindow.track = knownTrack.id;
        knownWindow.start = pos;
        knownWindow.end = pos + KNOWN_WINDOW;
    }
    const auto found = knownWindow.at.constFind(pos);
    if (found == knownWindow.at.constEnd()) {
        return KnownMutation();
    }
    for (const KnownMutation& m : found.value()) {
        if (m.obsAllele == variant.obsData && m.refAllele == variant.refData) {
            return m;
        }
    }
    return KnownMutation();
}

DamageEffect DamageEffectEvaluator::evaluateKnownMutation(const NxVariant& variant, const KnownMutationsTrack& knownTrack,
                                                          const NxVariantTrack& track, NxOpStatus& os) {
    DamageEffect result;
    KnownMutation mutation = findKnownMutation(variant, knownTrack, os);
    if (mutation.isMutation()) {
        NxDataId sequenceId = sequenceOf(track);
        NxRegion region = regionOf(variant);
        bool conserved = crCache->isIntersect(region, sequenceId, os);
        bool segmental = sdCache->isIntersect(region, sequenceId, os);
        NX_CHECK_OP(os, DamageEffect());
        result = effectFromKnownMutation(variant, track.id, mutation, QString(), conserved, segmental, os);
        storeEffect(result, os);
    }
    NX_CHECK_OP(os, result);
    if (variant.isSingleBase()) {
        markKnownChecked(variant.id, os);
    }
    return result;
}

DamageEffect DamageEffectEvaluator::effectFromKnownMutation(const NxVariant& variant, const NxDataId& trackId,
                                                            const KnownMutation& mutation, const QString& geneName,
                                                            bool conserved, bool segmental, NxOpStatus& os) {
    DamageEffect e;
    e.variant = variant.id;
    e.affectedGeneName = geneName;
    if (!mutation.knownId.isEmpty()) {
        e.hasKnownId = true;
        setPublicId(trackId, variant.id, QString::fromLatin1(mutation.knownId), os);
        NX_CHECK_OP(os, e);
    }
    e.avSift = mutation.avSift;
    e.lrt = mutation.lrt;
    e.phyloP = mutation.phyloP;
    e.pp2 = mutation.pp2;
    e.mutationTaster = mutation.mutationTaster;
    e.genomes1000 = mutation.genomes1000;
    e.gerpConserved = mutation.gerpConserved;
    e.altAlleleFrequency = mutation.altAlleleFrequency;
    e.hapmap = mutation.hapmap;
    e.gerpScore = mutation.gerpScore;
    e.inSegmentalDuplication = segmental;
    e.inConservedRegion = conserved;
    return e;
}

DamageEffect DamageEffectEvaluator::makeGeneEffect(const NxVariant& variant, const QString& geneName, bool damaging,
                                                   bool aminoAcidChanged, float score) {
    DamageEffect e;
    e.variant = variant.id;
    e.affectedGeneName = geneName;
    e.damaging = damaging;
    e.aminoAcidChanged = aminoAcidChanged;
    e.toleranceScore = static_cast<double>(score);
    return e;
}

bool DamageEffectEvaluator::proteinEffect(const NxVariant& variant, const Gene& gene, const NxDataId& sequenceId,
                                          DamageEffect& effect, NxOpStatus& os) {
    qint64 codonStart = 0;
    int codonIndex = 0;
    int posInCodon = -1;
    if (!VariationPropertiesUtils::getFrameStartPositionsForCoding(codonStart, codonIndex, posInCodon, variant, gene)) {
        effect = makeGeneEffect(variant, gene.getName(), true, false, -1);
        return true;
    }
    QByteArray refCodon = useCache
                              ? VariationPropertiesUtils::getDamagedTripletBufferedSeq(gene, codonStart, *sequenceCache, os)
                              : VariationPropertiesUtils::getDamagedTriplet(gene, codonStart, sequenceId, sequenceDbi, os);
    QByteArray variedCodon = refCodon;
    if (gene.isComplemented()) {
        complementTranslation->translate(refCodon.data(), refCodon.size());
        complementTranslation->translate(variedCodon.data(), variedCodon.size());
        variedCodon = VariationPropertiesUtils::varyTriplet(variedCodon, variant, posInCodon, complementTranslation);
    } else {
        variedCodon = VariationPropertiesUtils::varyTriplet(variedCodon, variant, posInCodon, nullptr);
    }
    if (variedCodon.size() != 3) {
        effect = makeGeneEffect(variant, gene.getName(), true, false, -1);
        return true;
    }
    char newAmino = aminoTranslation->translate3to1(variedCodon.at(0), variedCodon.at(1), variedCodon.at(2));
    char oldAmino = aminoTranslation->translate3to1(charAt(refCodon, 0), charAt(refCodon, 1), charAt(refCodon, 2));
    bool aminoAcidChanged = newAmino != oldAmino;
    float score = -1;

    if (!matrixOf(gene, os)) {
        return false;
    }
    if (geneMatrix.hasLength) {
        qint32 length = static_cast<qint32>(geneMatrix.length);
        if (length < 0) {
            NX_RECOVER_MSG(QString("Damage effect matrix length < 0. Gene: %1").arg(gene.getName()));
            return false;
        }
        if (geneMatrix.hasMatrix) {
            score = VariationPropertiesUtils::getDEffectValue(newAmino, codonIndex, geneMatrix.matrix, length);
        }
    }
    effect = makeGeneEffect(variant, gene.getName(), true, aminoAcidChanged, score);
    return true;
}

bool DamageEffectEvaluator::matrixOf(const Gene& gene, NxOpStatus& os) {
    if (!geneMatrix.feature.isEmpty() && geneMatrix.feature == gene.getFeatureId()) {
        return true;
    }
    // The feature is set last: a read that fails leaves an entry that matches no gene.
    geneMatrix = GeneMatrix();
    NxIntegerAttribute lengthAttr =
        NxAttributeUtils::findIntegerAttribute(attributeDbi, gene.getFeatureId(), DE_MATRIX_LENGTH_ATTRIBUTE, os);
    NX_CHECK_OP(os, false);
    geneMatrix.hasLength = lengthAttr.hasValidId();
    geneMatrix.length = lengthAttr.value;
    // Without a usable length the matrix is never looked at.
    if (geneMatrix.hasLength && geneMatrix.length >= 0) {
        NxByteArrayAttribute matrix =
            NxAttributeUtils::findByteArrayAttribute(attributeDbi, gene.getFeatureId(), DE_MATRIX_ATTRIBUTE, os);
        NX_CHECK_OP(os, false);
        geneMatrix.hasMatrix = matrix.hasValidId();
        geneMatrix.matrix = matrix.value;
    }
    geneMatrix.feature = gene.getFeatureId();
    return true;
}

QList<DamageEffect> DamageEffectEvaluator::evaluateGeneEffects(const NxVariant& variant, const NxVariantTrack& track,
                                                               NxOpStatus& os) {
    if (!variant.isSingleBase()) {
        return {};
    }
    if (!damageEffectDbi->needsGeneEvaluation(variant.id, os)) {
        return {};
    }
    NxDataId sequenceId = sequenceOf(track);
    QList<Gene> genes = findGenes(regionOf(variant), sequenceId, os);
    NX_CHECK_OP(os, {});

    QList<DamageEffect> effects;
    for (const Gene& gene : genes) {
        DamageEffect effect;
        if (VariationPropertiesUtils::isDamageProtein(variant, gene)) {
            if (!proteinEffect(variant, gene, sequenceId, effect, os)) {
                return {};
            }
        } else {
            bool inSpliceSite = VariationPropertiesUtils::isInSpliceSite(gene.getExons(), variant.startPos,
                                                                         SPLICE_SITE_WIDTH, gene.isComplemented());
            effect = makeGeneEffect(variant, gene.getName(), inSpliceSite, false, -1);
        }
        NX_CHECK_OP(os, {});
        effects.append(effect);
    }
    for (const DamageEffect& effect : effects) {
        storeEffect(effect, os);
        NX_CHECK_OP(os, {});
    }
    markGeneEvaluated(variant.id, os);
    return effects;
}

void DamageEffectEvaluator::annotateTracks(const QList<NxVariantTrack>& tracks, int mode, NxOpStatus& os) {
    if (!checkTables(os) || !checkSessionTables(os)) {
        return;
    }
    resetCaches();

    QList<NxDataId> trackIds;
    for (const NxVariantTrack& track : tracks) {
        trackIds << track.id;
    }
    const qint64 total = variantDbi->countVariants(trackIds, os);
    os.setProgress(0);
    qint64 count = 0;
    bool onThreads = pipelined && recorder == nullptr && useCache &&
                     (pipelineThreads > 0 || QThread::idealThreadCount() > 1) && sessionRef.isValid() &&
                     databaseRef.isValid();
    if (onThreads) {
        // The evaluating threads read through connections of their own: they must see every
        // variation and every mark. Buffered marks are written first (as they would be anyway,
        // before the marks that follow them); writes of the caller's open transaction cannot be
        // seen at all, so such a run stays on this thread.
        damageEffectDbi->flushEffects(os);
        onThreads = !os.hasError() && !session->hasUncommittedWrites();
    }
    for (const NxVariantTrack& track : tracks) {
        if (onThreads) {
            // One processor stays with the writing thread.
            const int threads =
                pipelineThreads > 0 ? pipelineThreads : qBound(1, QThread::idealThreadCount() - 1, 8);
            AnnotationPipeline::annotateTrack(*this, variantDbi, sessionRef, databaseRef, track, mode, threads,
                                              pipelinePart, total, count, os);
            if (os.isCoR()) {
                break;
            }
            continue;
        }
        KnownMutationsTrack knownTrack;
        prepareTrack(track, knownTrack, os);

        std::unique_ptr<NxDbiIterator<NxVariant>> it(
            variantDbi->getVariantsInRegion(track.id, NxRegion(0, std::numeric_limits<qint64>::max()), os));
        while (it != nullptr && it->hasNext()) {
            // A count beyond the total (variations added meanwhile) must not report more than 100.
            if (total > 0) {
                os.setProgress(static_cast<int>(qMin<qint64>(100, count * 100 / total)));
            }
            ++count;
            if (os.isCoR()) {
                break;
            }
            evaluateVariation(it->next(), knownTrack, track, mode, os);
        }
    }
    damageEffectDbi->flushEffects(os);
    damageEffectDbi->finishEffects(os);
}

bool DamageEffectEvaluator::prepareTrack(const NxVariantTrack& track, KnownMutationsTrack& knownTrack, NxOpStatus& os) {
    const NxDataId sequenceId = sequenceOf(track);
    knownTrack = knownTrackFor(sequenceId, os);
    sequenceCache->setSequenceId(sequenceId);
    return !os.hasError();
}

void DamageEffectEvaluator::evaluateVariation(const NxVariant& variant, const KnownMutationsTrack& knownTrack,
                                              const NxVariantTrack& track, int mode, NxOpStatus& os) {
    if (mode == Mode_KnownMutations || mode == Mode_All) {
        evaluateKnownMutation(variant, knownTrack, track, os);
    }
    if (mode == Mode_GeneEffects || mode == Mode_All) {
        evaluateGeneEffects(variant, track, os);
    }
}

}  // namespace Nx
