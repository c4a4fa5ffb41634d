// Answers "which genes overlap this region" for variations visited in position order without a
// query per variation: the genes of a window of the sequence (WINDOW_SIZE bases from the first
// region that misses) are loaded at once and cut into segments between consecutive gene starts
// and ends; each segment keeps the list of genes that cover it, in the host's order (transcript
// start, then feature id). A look-up is then a binary search and a shared copy of that list.
#pragma once

#include <NxCore/records/Gene.h>

#include <QList>
#include <QVector>

namespace Nx {

class NxFeatureDbi;
class NxOpStatus;

class GeneQueryCache {
public:
    static constexpr qint64 WINDOW_SIZE = 1000 * 1000;
    // A window starts this far before the region that missed, so that look-ups just behind it
    // (the promoter window upstream of a variation) need no second load.
    static constexpr qint64 LOOK_BEHIND = 10 * 1000;

    explicit GeneQueryCache(NxFeatureDbi* dbi = nullptr);

    // Forgets the loaded window.
    void clear();
    void setFeatureDbi(NxFeatureDbi* dbi);

    // Genes (transcripts) of the sequence that overlap the region, in the host's order; empty
    // without a feature table, sequence id or region. A table that fails sets os (naming the
    // database file) and gives an empty answer that the caller must not take for "no gene".
    QList<Gene> overlappedGenes(const NxRegion& region, const NxDataId& sequenceId, NxOpStatus& os);
    bool isIntersect(const NxRegion& region, const NxDataId& sequenceId, NxOpStatus& os);

private:
    // Loads the window that starts at the region; false (and os set) when the table failed.
    bool load(const NxRegion& region, const NxDataId& sequenceId, NxOpStatus& os);
    // Index of the segment that holds pos (pos inside the window).
    int segmentAt(qint64 pos);

    NxFeatureDbi* dbi = nullptr;
    NxDataId sequenceId;            // of the loaded window
    NxRegion window;                // empty when nothing is loaded
    QVector<qint64> bounds;         // segment i = [bounds[i], bounds[i + 1]); first/last = window edges
    QVector<QList<Gene>> segments;  // genes covering each segment, host order
    int lastSegment = 0;            // where the previous look-up ended, tried first
};

}  // namespace Nx
