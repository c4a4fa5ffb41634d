// Everything the summary page shows, counted from the report rows. "Rows" are report lines;
// a "variation" is one Chr + Position + Allele, counted once however many rows it has.
#pragma once

#include "ReportCellClasses.h"
#include "ReportFormat.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QVector>

namespace Nx {

struct ReportFileSummary {
    QString path;
    ReportKind kind = ReportKind::InGene;
    qint64 bytes = 0;
    qint64 rows = 0;
};

struct ChromosomeCounts {
    QString name;
    qint64 inGeneVariations = 0;
    qint64 regulatoryVariations = 0;
    qint64 variations = 0;  // in either report
    qint64 inGeneRows = 0;
    qint64 regulatoryRows = 0;
};

// Distribution of one score column: its values in the rows that have one.
struct ScoreSummary {
    QString column;
    ReportKind kind = ReportKind::InGene;
    qint64 rows = 0;  // rows with a value
    double min = 0;
    double median = 0;
    double max = 0;
};

// An in-gene gene (the Gene cell) and its variations. A variation is damaging in the gene when
// one of its rows there is a nonsense or stop-lost change, has the SIFT verdict "Damaging", or
// lies in a splice site.
struct GeneCounts {
    QString gene;
    QString clinicalSignificance;  // the first non-empty one
    qint64 variations = 0;
    qint64 damaging = 0;
    qint64 stopChanges = 0;     // nonsense or stop lost
    qint64 siftDamaging = 0;
    qint64 spliceSites = 0;
    qint64 missense = 0;
};

// Rows of one report with an answer of an analysis element ("-" means none).
struct AnswerCounts {
    QString column;
    QString element;  // what answers it
    ReportKind kind = ReportKind::InGene;
    qint64 rows = 0;     // rows of that report
    qint64 answered = 0;
};

struct SummaryCounts {
    QList<ReportFileSummary> files;
    qint64 inGeneRows = 0;
    qint64 regulatoryRows = 0;
    qint64 inGeneVariations = 0;
    qint64 regulatoryVariations = 0;
    qint64 variations = 0;  // distinct over both reports
    qint64 inGeneGenes = 0;
    qint64 regulatoryGenes = 0;

    QList<ChromosomeCounts> chromosomes;  // in chromosome order

    QVector<qint64> variationTypes;  // by VariationType, over all variations
    // Single-base substitutions between A, C, G and T, by "REF>ALT" in the order A C G T.
    QMap<QString, qint64> baseChanges;
    qint64 transitions = 0;
    qint64 transversions = 0;

    QVector<qint64> knownInGene;  // [0] novel, [1] known (a dbSNP identifier), by variation
    QVector<qint64> knownRegulatory;
    QVector<qint64> knownAll;

    QVector<qint64> locations;  // in-gene rows by LocationClass
    QMap<QString, qint64> unrecognisedLocations;  // a few examples of texts of no class

    QVector<qint64> codingClasses;  // in-gene rows with a Substitution, by CodingClass

    QMap<QString, qint64> siftVerdicts;  // in-gene rows by SIFTeffect ("-": no known mutation)
    QVector<qint64> siftScoreBins;        // SIFTscore in 20 bins of 0.05 over [0, 1]
    qint64 siftScoresOutside = 0;         // scores below 0 or above 1

    QList<ScoreSummary> scores;
    qint64 inGeneSegmentalDupl = 0;
    qint64 inGeneConservedReg = 0;
    qint64 regulatorySegmentalDupl = 0;
    qint64 regulatoryConservedReg = 0;

    // Regulatory rows by distance from the transcription start: bins of 100 bases from 0 to
    // 999, then 1000 and more; negative distances and rows without one apart.
    QVector<qint64> distanceBins;
    qint64 distanceAtLeast1000 = 0;
    qint64 distanceNegative = 0;
    qint64 distanceUnknown = 0;

    QVector<qint64> tataLevels;  // regulatory rows with a TATATool answer, by TataLevel
    qint64 tataNotAnalysed = 0;

    QList<AnswerCounts> answers;

    QList<GeneCounts> damagingGenes;  // the 20 with the most damaging variations, most first
    qint64 genesWithDamaging = 0;
};

}  // namespace Nx
