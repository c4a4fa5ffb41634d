// Feature table: annotated regions of a sequence (genes, one per transcript, with their exons and
// CDS parts; special regions "SD" and "CR"), indexed by region.
#pragma once

#include <NxCore/dbi/NxDbiIterator.h>
#include <NxCore/records/Gene.h>
#include <NxCore/records/NxRegion.h>

#include <QVector>

namespace Nx {

class NxOpStatus;

enum class NxStrand : qint8 { Direct = 1, Complementary = -1, None = 0 };

class NxFeature : public NxEntity {
public:
    NxDataId sequenceId;
    NxDataId parentFeatureId;  // e.g. the transcript an exon belongs to
    QString featureClass;      // "Gene", "Exon", "CDS", or a region-set name such as "SD"
    QString name;
    NxRegion location;
    NxStrand strand = NxStrand::None;
};

class NxFeatureDbi {
public:
    virtual ~NxFeatureDbi() = default;

    // Features of that class on that sequence whose location overlaps the region, by start.
    // The caller deletes the iterator.
    virtual NxDbiIterator<NxFeature>* getFeaturesByRegion(const NxDataId& sequenceId, const NxRegion& region,
                                                          const QString& featureClass, NxOpStatus& os) = 0;
    virtual bool hasFeatureInRegion(const NxDataId& sequenceId, const NxRegion& region,
                                    const QString& featureClass, NxOpStatus& os) = 0;
    virtual NxFeature getFeature(const NxDataId& featureId, NxOpStatus& os) = 0;

    // Genes (transcripts) of the sequence overlapping the region, ordered by start then id,
    // with exons, coding region and the names, accession and disease texts filled in.
    virtual QList<Gene> getGenesInRegion(const NxDataId& sequenceId, const NxRegion& region, NxOpStatus& os) = 0;
    virtual Gene getGene(const NxDataId& featureId, NxOpStatus& os) = 0;
};

}  // namespace Nx
