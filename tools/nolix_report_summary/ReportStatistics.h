// Counts report rows as they are read, one row at a time, so a report of any length is read in
// one pass; only what must be counted once per variation or gene is kept. result() turns the
// tallies into what the page shows.
#pragma once

#include "SummaryCounts.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>
#include <QStringList>

namespace Nx {

class ReportStatistics {
    Q_DECLARE_TR_FUNCTIONS(Nx::ReportStatistics)
public:
    ReportStatistics();

    void addFile(const ReportFileSummary& file) { counts.files << file; }
    // False with the reason when a cell is not what the report writer writes there; nothing of
    // the row is counted then. The cell count is checked by the reader.
    bool addRow(ReportKind kind, const QStringList& cells, QString& error);

    SummaryCounts result() const;

private:
    struct VariationFacts {
        bool inGene = false;
        bool regulatory = false;
        bool known = false;
    };
    struct GeneTally {
        QString clinicalSignificance;
        QSet<QString> variations;
        QSet<QString> damaging;
        QSet<QString> stopChanges;
        QSet<QString> siftDamaging;
        QSet<QString> spliceSites;
        QSet<QString> missense;
    };

    bool addInGeneRow(const QStringList& cells, const QString& key, QString& error);
    bool addRegulatoryRow(const QStringList& cells, QString& error);
    // The score cells of a row ("-" or a number) by "kind/column", checked before any is kept.
    bool parseScores(ReportKind kind, const QStringList& cells, QList<QPair<QString, double>>& values,
                     QString& error);
    void addScores(const QList<QPair<QString, double>>& values);
    bool countFlag(const QString& name, const QString& cell, qint64& count, QString& error);

    SummaryCounts counts;                           // plain tallies, filled as rows come
    QHash<QString, VariationFacts> variations;      // by "Chr\tPosition\tAllele"
    QHash<QString, qint64> inGeneRowsByChr;
    QHash<QString, qint64> regulatoryRowsByChr;
    QHash<QString, GeneTally> genes;                // in-gene rows by Gene cell
    QSet<QString> regulatoryGenes;
    QMap<QString, QVector<double>> scoreValues;     // "kind/column" -> values
    QHash<QString, qint64> answered;                // "kind/column" -> rows with an answer
};

}  // namespace Nx
