// What single-base variations do to the genes they hit and what the reference database knows
// about them; see the top of DamageEffectEvaluator.cpp for the algorithm. Three jobs, each in a
// file of its own: the evaluation, the queries the report asks, and the recording of the writes.
#pragma once

#include <NxCore/records/DamageEffect.h>
#include <NxCore/records/Gene.h>
#include <NxCore/records/KnownMutation.h>
#include <NxCore/records/KnownMutationsTrack.h>
#include <NxCore/records/NxDbiRef.h>
#include <NxCore/records/NxVariant.h>

#include <QCoreApplication>
#include <QHash>
#include <QList>

#include <vector>

namespace Nx {

class DamageEffectDbi;
class DNATranslation;
class GeneQueryCache;
class KnownMutationsDbi;
class NxAttributeDbi;
class NxDbi;
class NxFeatureDbi;
class NxObjectDbi;
class NxOpStatus;
class NxSequenceDbi;
class NxVariantDbi;
class SequenceQueryCache;
class SpecialRegionsCache;

class DamageEffectEvaluator {
    Q_DECLARE_TR_FUNCTIONS(Nx::DamageEffectEvaluator)
public:
    // What an evaluation looks at.
    enum Mode { Mode_KnownMutations = 1, Mode_GeneEffects = 2, Mode_All = 3 };
    // Length of the promoter window before a gene's start.
    static const qint64 PROMOTER_WINDOW = 1000;

    // Both connections may be null; they belong to the caller and must outlive the evaluator.
    DamageEffectEvaluator(NxDbi* sessionDbi, NxDbi* databaseDbi, bool useCache);
    virtual ~DamageEffectEvaluator();

    DamageEffectEvaluator(const DamageEffectEvaluator&) = delete;
    DamageEffectEvaluator& operator=(const DamageEffectEvaluator&) = delete;

    // Evaluation (DamageEffectEvaluator.cpp).
    // Evaluates and stores the effects of every variation of every track; progress 0..100.
    void annotateTracks(const QList<NxVariantTrack>& tracks, int mode, NxOpStatus& os);
    // With true (the default) and more than one processor, annotateTracks evaluates each track on
    // threads of their own while this one writes the results (see AnnotationPipeline); the
    // database ends up the same either way. threads 0: one per processor but one (at least 1, at most 8); parts: the
    // variations a thread evaluates at a time.
    void setPipelined(bool on, int threads = 0, qint64 partVariations = 16384) {
        pipelined = on;
        pipelineThreads = threads;
        pipelinePart = partVariations;
    }

    // Everything the evaluation of one track needs before its first variation; false when the
    // track cannot be evaluated (the error is in os).
    bool prepareTrack(const NxVariantTrack& track, KnownMutationsTrack& knownTrack, NxOpStatus& os);
    // The known mutation and gene effects of one variation of the prepared track, by mode.
    void evaluateVariation(const NxVariant& variant, const KnownMutationsTrack& knownTrack,
                           const NxVariantTrack& track, int mode, NxOpStatus& os);

    // Queries the report asks (DamageEffectQueries.cpp).
    // The stored effects of the variation, then freshly evaluated gene effects when it still
    // needs them. Never looks known mutations up.
    QList<DamageEffect> damageEffects(const NxVariant& variant, const NxVariantTrack& track, int mode, NxOpStatus& os);
    // Genes (transcripts) that overlap the variation region, in the host's order.
    QList<Gene> genesAtVariant(const NxVariant& variant, const NxDataId& sequenceId, NxOpStatus& os);
    bool isInGene(const NxVariant& variant, const NxDataId& sequenceId);
    // The same, with a failed read of the reference in os instead of a quiet "no".
    bool isInGene(const NxVariant& variant, const NxDataId& sequenceId, NxOpStatus& os);
    // Genes whose promoter window holds the variation: forward-strand genes overlapping the 1000
    // bases from the variation on, then reverse-strand genes overlapping the 1000 bases before it
    // (clipped at the chromosome start, never past the variation); empty inside a gene.
    QList<Gene> regulatedGenes(const NxVariant& variant, const NxDataId& sequenceId);
    // True only when the regulatory report certainly has no row for a variation that lies in no
    // gene and reading its effects would change nothing: no gene within the promoter window on
    // either side, and its gene effects need no evaluation. False on any doubt (a read error).
    bool hasNoRegulatoryRows(const NxVariant& variant, const NxDataId& sequenceId);

    // With false, damageEffects stores nothing: a single-base variation whose gene effects were
    // never evaluated is an error instead, and wasEvaluationRefused() tells it apart from a
    // failed read. For readers that share a workflow database and must not write to it.
    void setEvaluationAllowed(bool allowed) { evaluationAllowed = allowed; }
    bool wasEvaluationRefused() const { return evaluationRefused; }

    // Recording of the writes (DamageEffectRecording.cpp).
    // The writes of an evaluation, in order, kept instead of made while a recorder is attached.
    // Marks, two per variation, are small entries; effects and public ids have lists of their own.
    struct RecordedWrites {
        enum Kind { Effect, KnownChecked, GeneEvaluated, PublicId };
        struct Write {
            Kind kind;
            int index;         // Effect: in effects; PublicId: in publicIds
            NxDataId variant;  // KnownChecked, GeneEvaluated
        };
        struct PublicIdWrite {
            NxDataId track;
            NxDataId variant;
            QString publicId;
        };
        std::vector<Write> order;
        std::vector<DamageEffect> effects;
        std::vector<PublicIdWrite> publicIds;
    };
    // Writes go to the recorder (owned by the caller) instead of the database while it is attached.
    void setRecorder(RecordedWrites* writes) { recorder = writes; }
    // Makes recorded writes in the workflow database, in order, as the evaluation would have.
    void replay(const RecordedWrites& writes, NxOpStatus& os);

protected:
    void attachSession(NxDbi* sessionDbi);
    void attachDatabase(NxDbi* databaseDbi);
    bool checkTables(NxOpStatus& os) const;
    // False (and an error) when the workflow database lacks a table the operation writes to.
    bool checkSessionTables(NxOpStatus& os) const;
    void resetCaches();

    // The reference sequence of the track: its own sequence id, else found by its name.
    NxDataId sequenceOf(const NxVariantTrack& track) const;
    KnownMutationsTrack knownTrackFor(const NxDataId& sequenceId, NxOpStatus& os);
    KnownMutation findKnownMutation(const NxVariant& variant, const KnownMutationsTrack& knownTrack, NxOpStatus& os);
    DamageEffect evaluateKnownMutation(const NxVariant& variant, const KnownMutationsTrack& knownTrack,
                                       const NxVariantTrack& track, NxOpStatus& os);
    DamageEffect effectFromKnownMutation(const NxVariant& variant, const NxDataId& trackId, const KnownMutation& mutation,
                                         const QString& geneName, bool conserved, bool segmental, NxOpStatus& os);
    QList<DamageEffect> evaluateGeneEffects(const NxVariant& variant, const NxVariantTrack& track, NxOpStatus& os);
    static DamageEffect makeGeneEffect(const NxVariant& variant, const QString& geneName, bool damaging,
                                       bool aminoAcidChanged, float score);

private:
    static NxRegion regionOf(const NxVariant& variant);
    // The effect of a variation that can change the gene's protein; false when it must fail.
    bool proteinEffect(const NxVariant& variant, const Gene& gene, const NxDataId& sequenceId, DamageEffect& effect,
                       NxOpStatus& os);
    QList<Gene> findGenes(const NxRegion& region, const NxDataId& sequenceId, NxOpStatus& os);
    bool hasGene(const NxRegion& region, const NxDataId& sequenceId, NxOpStatus& os);

    // Workflow database (borrowed).
    DamageEffectDbi* damageEffectDbi = nullptr;
    NxVariantDbi* variantDbi = nullptr;
    // Reference database (borrowed).
    KnownMutationsDbi* knownMutationsDbi = nullptr;
    NxAttributeDbi* attributeDbi = nullptr;
    NxFeatureDbi* featureDbi = nullptr;
    NxSequenceDbi* sequenceDbi = nullptr;
    NxObjectDbi* objectDbi = nullptr;

    bool useCache;                                   // genes and codons through the caches below
    SpecialRegionsCache* sdCache = nullptr;          // segmental duplications, owned
    SpecialRegionsCache* crCache = nullptr;          // conserved regions, owned
    GeneQueryCache* geneCache = nullptr;             // owned
    SequenceQueryCache* sequenceCache = nullptr;     // follows the sequence of the current track, owned
    const DNATranslation* complementTranslation = nullptr;  // borrowed from the registry
    const DNATranslation* aminoTranslation = nullptr;       // borrowed from the registry
    mutable QHash<QString, NxDataId> sequenceIdsByName;     // reference sequence of each track name

    // Known mutations of a window of positions, read in one query: variations come by position.
    static const qint64 KNOWN_WINDOW = 65536;
    struct KnownWindow {
        NxDataId track;                         // known-mutations track of the window
        qint64 start = 0;                       // first position
        qint64 end = 0;                         // past the last; equal to start when empty
        QHash<qint64, QList<KnownMutation>> at; // position -> mutations, in the table's order
    };
    KnownWindow knownWindow;

    // Damage matrix of the last gene that had a codon analysed: variations come by position, so
    // the next one mostly lies in the same gene. The reference does not change during a run.
    struct GeneMatrix {
        NxDataId feature;        // empty: nothing read yet
        bool hasLength = false;  // the gene has a matrix length attribute
        qint64 length = 0;
        bool hasMatrix = false;
        QByteArray matrix;
    };
    GeneMatrix geneMatrix;
    // The matrix of the gene, read once per gene; false on a read error (in os).
    bool matrixOf(const Gene& gene, NxOpStatus& os);

    bool evaluationAllowed = true;
    bool evaluationRefused = false;
    bool pipelined = true;
    int pipelineThreads = 0;
    qint64 pipelinePart = 16384;
    RecordedWrites* recorder = nullptr;  // borrowed
    NxDbi* session = nullptr;                     // the workflow connection (borrowed)
    NxDbiRef sessionRef;                          // of the workflow connection
    NxDbiRef databaseRef;                         // of the reference connection

    // To the workflow database, or to the recorder while one is attached.
    void storeEffect(const DamageEffect& effect, NxOpStatus& os);
    void markKnownChecked(const NxDataId& variant, NxOpStatus& os);
    void markGeneEvaluated(const NxDataId& variant, NxOpStatus& os);
    void setPublicId(const NxDataId& track, const NxDataId& variant, const QString& id, NxOpStatus& os);
};

}  // namespace Nx
