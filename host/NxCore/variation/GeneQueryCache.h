// Answers "which genes overlap this region" for variations visited in position order without a
// query per variation: the genes of a window of the sequence (see FeatureWindowCache) are loaded
// at once and cut into segments between consecutive gene starts and ends; each segment keeps the
// list of genes that cover it, in the host's order (transcript start, then feature id). A
// look-up is then a binary search and a shared copy of that list.
#pragma once

#include <NxCore/records/Gene.h>
#include <NxCore/variation/FeatureWindowCache.h>

#include <QList>
#include <QVector>

namespace Nx {

class GeneQueryCache : public FeatureWindowCache {
public:
    explicit GeneQueryCache(NxFeatureDbi* dbi = nullptr) : FeatureWindowCache(dbi) {}

    // Genes (transcripts) of the sequence that overlap the region, in the host's order; empty
    // without a feature table, sequence id or region. A table that fails sets os (naming the
    // database file) and gives an empty answer that the caller must not take for "no gene".
    QList<Gene> overlappedGenes(const NxRegion& region, const NxDataId& sequenceId, NxOpStatus& os);
    bool isIntersect(const NxRegion& region, const NxDataId& sequenceId, NxOpStatus& os);

private:
    void loadWindow(const NxDataId& sequenceId, const NxRegion& window, NxOpStatus& readOs) override;
    void clearWindow() override;
    QString contentName() const override { return "genes"; }
    // Index of the segment that holds pos (pos inside the window).
    int segmentAt(qint64 pos);

    QVector<qint64> bounds;         // segment i = [bounds[i], bounds[i + 1]); first/last = window edges
    QVector<QList<Gene>> segments;  // genes covering each segment, host order
    int lastSegment = 0;            // where the previous look-up ended, tried first
    int unionFirst = -1;            // segments of the last union of several, and that union
    int unionLast = -1;
    QList<Gene> unionGenes;
};

}  // namespace Nx
