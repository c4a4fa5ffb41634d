#include "RegionClassCache.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/variation/CacheWindow.h>
#include <NxCore/dbi/NxFeatureDbi.h>
#include <NxCore/log/Logger.h>

#include <algorithm>
#include <memory>

namespace Nx {

SpecialRegionsCache::SpecialRegionsCache(NxFeatureDbi* dbi, const QString& setName) : dbi(dbi), setName(setName) {}

void SpecialRegionsCache::clear() {
    sequenceId.clear();
    window = NxRegion();
    intervals.clear();
}

void SpecialRegionsCache::setFeatureDbi(NxFeatureDbi* newDbi) {
    if (newDbi != dbi) {
        dbi = newDbi;
        clear();
    }
}

bool SpecialRegionsCache::load(const NxRegion& region, const NxDataId& seqId, NxOpStatus& os) {
    clear();
    NxRegion win = cacheWindowFor(region, LOOK_BEHIND, WINDOW_SIZE);
    NxOpStatusImpl readOs;
    {
        // The iterator reports failed steps into readOs, so it must end before readOs is read.
        std::unique_ptr<NxDbiIterator<NxFeature>> it(dbi->getFeaturesByRegion(seqId, win, setName, readOs));
        QVector<NxRegion> found;
        while (it != nullptr && !readOs.hasError() && it->hasNext()) {
            found << it->next().location.intersect(win);
        }
        if (!readOs.hasError()) {
            std::sort(found.begin(), found.end());
            for (const NxRegion& r : found) {
                if (!intervals.isEmpty() && r.startPos <= intervals.last().endPos()) {
                    intervals.last().length = qMax(intervals.last().endPos(), r.endPos()) - intervals.last().startPos;
                } else if (!r.isEmpty()) {
                    intervals << r;
                }
            }
        }
    }
    if (readOs.hasError()) {
        QString msg = QString("Cannot read the %1 regions of %2..%3: %4")
                          .arg(setName)
                          .arg(win.startPos)
                          .arg(win.endPos())
                          .arg(readOs.getError());
        ioLog.error(msg);
        os.setError(msg);
        intervals.clear();
        return false;
    }
    sequenceId = seqId;
    window = win;
    return true;
}

bool SpecialRegionsCache::isIntersect(const NxRegion& region, const NxDataId& seqId, NxOpStatus& os) {
    NxRegion wanted = region.clippedToPositive();
    // A sequence the reference does not hold (no id) has no regions; that is no read error.
    if (dbi == nullptr || wanted.isEmpty() || seqId.isEmpty() || os.hasError()) {
        return false;
    }
    if (seqId != sequenceId || !window.contains(wanted)) {
        if (!load(wanted, seqId, os)) {
            return false;
        }
    }
    // First interval that ends after the region starts; it overlaps when it starts before the region ends.
    auto it = std::upper_bound(intervals.begin(), intervals.end(), wanted.startPos,
                               [](qint64 pos, const NxRegion& r) { return pos < r.endPos(); });
    return it != intervals.end() && it->startPos < wanted.endPos();
}

}  // namespace Nx
