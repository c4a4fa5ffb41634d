// Feature table of the reference database.
//
// Feature holds every feature: genes (one per transcript, class "Gene", fid = the transcript's
// stable id, name = the gene name), their exons and CDS parts (children by parent row id), and
// special regions ("SD", "CR"). GeneInfo adds what a Gene record needs beyond a feature: the
// alternative name, accession, disease text, coding flag and coding region. Top-level features
// are indexed in the R*Tree FeatureLocation over (sequence, class, start..end-1), so a region
// query of one class on one sequence reads only what overlaps; children are reached through
// their gene, whose span holds them.
//
// Positions are 0-based, half-open; the index stores 32-bit integers, so a feature must end
// before 2^31 (every human chromosome does).
#pragma once

#include <NxCore/dbi/NxFeatureDbi.h>
#include <NxCore/dbi/sqlite/SQLiteTable.h>

#include <QCoreApplication>
#include <QHash>

namespace Nx {

class SQLiteQuery;

class SQLiteFeatureDbi : public SQLiteTable, public NxFeatureDbi {
    Q_DECLARE_TR_FUNCTIONS(Nx::SQLiteFeatureDbi)
public:
    explicit SQLiteFeatureDbi(SQLiteDbi* db) : SQLiteTable(db) {}

    void initSqlSchema(NxOpStatus& os) override;

    NxDbiIterator<NxFeature>* getFeaturesByRegion(const NxDataId& sequenceId, const NxRegion& region,
                                                  const QString& featureClass, NxOpStatus& os) override;
    bool hasFeatureInRegion(const NxDataId& sequenceId, const NxRegion& region, const QString& featureClass,
                            NxOpStatus& os) override;
    NxFeature getFeature(const NxDataId& featureId, NxOpStatus& os) override;
    QList<Gene> getGenesInRegion(const NxDataId& sequenceId, const NxRegion& region, NxOpStatus& os) override;
    Gene getGene(const NxDataId& featureId, NxOpStatus& os) override;

    // Writing (the reference-database builder).
    // Stores a feature; an empty id gets a generated one. A feature with a parent is not indexed
    // by region itself; it must lie inside its parent. Sets feature.id.
    void createFeature(NxFeature& feature, NxOpStatus& os);
    // Stores a gene (transcript) with its exons and CDS parts as children and its GeneInfo row.
    // The gene's feature id must be unique in the database.
    void createGene(const Gene& gene, const NxDataId& sequenceId, const QVector<NxRegion>& cdsParts, NxOpStatus& os);

private:
    qint64 sequenceRowId(const NxDataId& sequenceId, NxOpStatus& os);
    // Row id of a class name; -1 when unknown and create is false.
    qint64 classId(const QString& name, bool create, NxOpStatus& os);
    QList<Gene> readGenes(SQLiteQuery& q, NxOpStatus& os);
    qint64 insertFeature(NxFeature& feature, qint64 seqRow, qint64 parentRow, NxOpStatus& os);

    QHash<QString, qint64> classIds;  // feature class name -> FeatureClass row id (cache)
};

}  // namespace Nx
