#include "RegionClassCache.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/NxFeatureDbi.h>

#include <algorithm>
#include <memory>

namespace Nx {

void SpecialRegionsCache::loadWindow(const NxDataId& seqId, const NxRegion& win, NxOpStatus& readOs) {
    // The iterator reports failed steps into readOs, so it must end before readOs is read.
    std::unique_ptr<NxDbiIterator<NxFeature>> it(dbi->getFeaturesByRegion(seqId, win, setName, readOs));
    QVector<NxRegion> found;
    while (it != nullptr && !readOs.hasError() && it->hasNext()) {
        found << it->next().location.intersect(win);
    }
    it.reset();
    if (readOs.hasError()) {
        return;
    }
    std::sort(found.begin(), found.end());
    for (const NxRegion& r : found) {
        if (!intervals.isEmpty() && r.startPos <= intervals.last().endPos()) {
            intervals.last().length = qMax(intervals.last().endPos(), r.endPos()) - intervals.last().startPos;
        } else if (!r.isEmpty()) {
            intervals << r;
        }
    }
}

bool SpecialRegionsCache::isIntersect(const NxRegion& region, const NxDataId& seqId, NxOpStatus& os) {
    const NxRegion wanted = prepare(region, seqId, os);
    if (wanted.isEmpty()) {
        return false;
    }
    // First interval that ends after the region starts; it overlaps when it starts before the region ends.
    auto it = std::upper_bound(intervals.begin(), intervals.end(), wanted.startPos,
                               [](qint64 pos, const NxRegion& r) { return pos < r.endPos(); });
    return it != intervals.end() && it->startPos < wanted.endPos();
}

}  // namespace Nx
