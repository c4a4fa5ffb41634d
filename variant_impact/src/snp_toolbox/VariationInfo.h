// Everything the SNP report says about one variation: the genes it lies in (or the genes whose
// promoter holds it), where in each gene it lies, what it does to the codon, the known scores of
// the variation and the answers the analysis elements stored on it. The report task makes one
// object per variation, asks for the header when the variation opens a report, calls init once
// and then asks for the rows.
#pragma once

#include "ReportColumn.h"

#include <NxCore/records/DamageEffect.h>
#include <NxCore/records/Gene.h>
#include <NxCore/records/NxVariant.h>

#include <QList>
#include <QObject>
#include <QSharedPointer>
#include <QStringList>

namespace Nx {

class DamageEffectEvaluator;
class NxAttributeDbi;
class NxSequenceDbi;
class NxVariantDbi;

class VariationInfo : public QObject {
    Q_OBJECT
public:
    // The tables are borrowed and must outlive this object; both may be null. An empty
    // chromosomeName is read from the sequence table when the first row needs it.
    VariationInfo(const NxVariant& variation, const NxDataId& sequenceId, NxSequenceDbi* sequenceDbi,
                  NxAttributeDbi* attributeDbi, const QString& chromosomeName);

    // Loads the variation's track, its genes and (with loadEffects) its damage-effect records.
    // What is loaded stays loaded; a failed step leaves its flag and the later ones unset.
    void init(NxVariantDbi* variantDbi, const QSharedPointer<DamageEffectEvaluator>& evaluator, bool loadEffects);
    // The same for a caller that read the variation from its track: the track is not looked up.
    void init(const NxVariantTrack& variationTrack, const QSharedPointer<DamageEffectEvaluator>& evaluator,
              bool loadEffects);

    bool hasGene(const QString& name) const;
    // The first gene of that name, or a default gene (empty name) when there is none.
    Gene getGene(const QString& name) const;
    // Where the variation lies in the named gene, e.g. "CDS. Exon: 1501..1600. Acceptor splice-site.".
    QString getLocation(const QString& geneName) const;
    // Codon, substitution and protein cells of the gene and the known-mutation score cells.
    void fillEffectColumns(const QString& geneName, ColumnValues* values);

    // Header lines (with their final line feed) and rows (without one) of the two reports.
    QString getInGeneHeader() const;
    QString getRegulatoryHeader() const;
    QStringList getInGeneRows();
    QStringList getRegulatoryRows();
    // Copies the stored string attribute of the variation into the cell; nothing when absent or empty.
    void putAttributeColumn(const NxDataId& variantId, const QString& attributeName, int column, ColumnValues* values);

    // Header name of a column in either report (the Gene column is named "Promoter_of_Gene" in
    // the regulatory one).
    static QString inGeneColumnName(int column);
    static QString regulatoryColumnName(int column);

    const QList<Gene>& getGenes() const { return genes; }
    // The genes whose promoter holds the variation, as getRegulatoryRows found them; null before
    // it looked them up.
    const QList<Gene>* getRegulatedGenes() const { return regulatedKnown ? &regulated : nullptr; }
    const QList<DamageEffect>& getEffectRecords() const { return effectRecords; }
    bool areGenesLoaded() const { return genesLoaded; }
    bool areEffectsLoaded() const { return effectsLoaded; }
    const NxVariantTrack& getTrack() const { return track; }
    const QList<int>& getInGeneColumns() const { return inGeneColumns; }
    const QList<int>& getRegulatoryColumns() const { return regulatoryColumns; }

private:
    void loadGenesAndEffects(bool loadEffects);
    // Location text and effect cells of one loaded gene itself, found by the public operations by name.
    QString locationIn(const Gene& gene) const;
    QString computeLocation(const Gene& gene, const NxRegion& varRegion) const;
    struct LocationTexts;
    void fillEffectColumnsOf(const Gene& gene, ColumnValues* values);
    // The first gene of that name among the loaded ones, or null.
    const Gene* findGene(const QString& name) const;
    // False when the chromosome name cannot be had: the row operation must end there.
    bool fillChromosomeName();
    // Columns 1 to 6 of either report for the gene.
    void putVariationColumns(const Gene& gene, ColumnValues* values) const;
    // The codon cells; false when the known-record cells must not follow.
    bool fillCodonColumns(const Gene& gene, ColumnValues* values);
    static void fillKnownRecordColumns(const DamageEffect& known, ColumnValues* values);
    QString spliceSiteText(const Gene& gene) const;
    static QString assembleRow(const ColumnValues& values, const QList<int>& columns);
    static QString assembleHeader(const QList<int>& columns, QString (*name)(int));

    NxSequenceDbi* sequenceDbi;      // reference sequences (borrowed); may be null
    NxAttributeDbi* attributeDbi;    // answers stored by the analysis elements (borrowed); may be null
    QSharedPointer<DamageEffectEvaluator> evaluator;  // set by init
    NxVariant variation;
    NxVariantTrack track;            // the track that holds the variation; filled by init
    NxDataId sequenceId;             // reference sequence of the variation's track
    QString chromosomeName;          // the Chr cell
    QList<Gene> genes;               // genes overlapping the variation
    QList<DamageEffect> effectRecords;  // stored effects: gene records and the known record
    QList<Gene> regulated;           // set by getRegulatoryRows
    bool regulatedKnown = false;
    bool genesLoaded = false;
    bool effectsLoaded = false;
    QList<int> inGeneColumns;        // 1..25
    QList<int> regulatoryColumns;    // 1..6, 26..29, 20..25
};

}  // namespace Nx
