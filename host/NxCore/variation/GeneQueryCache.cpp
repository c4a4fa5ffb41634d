#include "GeneQueryCache.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/variation/CacheWindow.h>
#include <NxCore/dbi/NxFeatureDbi.h>
#include <NxCore/log/Logger.h>

#include <QSet>

#include <algorithm>

namespace Nx {

GeneQueryCache::GeneQueryCache(NxFeatureDbi* dbi) : dbi(dbi) {}

void GeneQueryCache::clear() {
    sequenceId.clear();
    window = NxRegion();
    bounds.clear();
    segments.clear();
    lastSegment = 0;
}

void GeneQueryCache::setFeatureDbi(NxFeatureDbi* newDbi) {
    if (newDbi != dbi) {
        dbi = newDbi;
        clear();
    }
}

bool GeneQueryCache::load(const NxRegion& region, const NxDataId& seqId, NxOpStatus& os) {
    clear();
    NxRegion win = cacheWindowFor(region, LOOK_BEHIND, WINDOW_SIZE);
    NxOpStatusImpl readOs;
    QList<Gene> genes = dbi->getGenesInRegion(seqId, win, readOs);
    if (readOs.hasError()) {
        QString msg = QString("Cannot read the genes of %1..%2: %3").arg(win.startPos).arg(win.endPos()).arg(readOs.getError());
        ioLog.error(msg);
        os.setError(msg);
        return false;
    }
    bounds << win.startPos << win.endPos();
    for (const Gene& g : genes) {
        NxRegion r = g.getRegion().intersect(win);
        bounds << r.startPos << r.endPos();
    }
    std::sort(bounds.begin(), bounds.end());
    bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
    segments.resize(bounds.size() - 1);
    for (const Gene& g : genes) {
        NxRegion r = g.getRegion().intersect(win);
        if (r.isEmpty()) {
            continue;
        }
        int i = static_cast<int>(std::lower_bound(bounds.begin(), bounds.end(), r.startPos) - bounds.begin());
        for (; i < segments.size() && bounds[i] < r.endPos(); ++i) {
            segments[i].append(g);
        }
    }
    sequenceId = seqId;
    window = win;
    return true;
}

int GeneQueryCache::segmentAt(qint64 pos) {
    if (lastSegment < segments.size() && bounds[lastSegment] <= pos && pos < bounds[lastSegment + 1]) {
        return lastSegment;
    }
    lastSegment = static_cast<int>(std::upper_bound(bounds.begin(), bounds.end(), pos) - bounds.begin()) - 1;
    return lastSegment;
}

QList<Gene> GeneQueryCache::overlappedGenes(const NxRegion& region, const NxDataId& seqId, NxOpStatus& os) {
    NxRegion wanted = region.clippedToPositive();
    // A sequence the reference does not hold (no id) has no genes; that is no read error.
    if (dbi == nullptr || wanted.isEmpty() || seqId.isEmpty() || os.hasError()) {
        return QList<Gene>();
    }
    if (seqId != sequenceId || !window.contains(wanted)) {
        if (!load(wanted, seqId, os)) {
            return QList<Gene>();
        }
    }
    int first = segmentAt(wanted.startPos);
    if (wanted.endPos() <= bounds[first + 1]) {
        return segments[first];
    }
    // Several segments: their union, back in host order.
    QList<Gene> res;
    QSet<NxDataId> seen;
    for (int i = first; i < segments.size() && bounds[i] < wanted.endPos(); ++i) {
        for (const Gene& g : segments[i]) {
            if (!seen.contains(g.getFeatureId())) {
                seen.insert(g.getFeatureId());
                res << g;
            }
        }
    }
    std::stable_sort(res.begin(), res.end(), [](const Gene& a, const Gene& b) {
        return a.getRegion().startPos < b.getRegion().startPos ||
               (a.getRegion().startPos == b.getRegion().startPos && a.getFeatureId() < b.getFeatureId());
    });
    return res;
}

bool GeneQueryCache::isIntersect(const NxRegion& region, const NxDataId& seqId, NxOpStatus& os) {
    NxRegion wanted = region.clippedToPositive();
    // A sequence the reference does not hold (no id) has no genes; that is no read error.
    if (dbi == nullptr || wanted.isEmpty() || seqId.isEmpty() || os.hasError()) {
        return false;
    }
    if (seqId != sequenceId || !window.contains(wanted)) {
        if (!load(wanted, seqId, os)) {
            return false;
        }
    }
    for (int i = segmentAt(wanted.startPos); i < segments.size() && bounds[i] < wanted.endPos(); ++i) {
        if (!segments[i].isEmpty()) {
            return true;
        }
    }
    return false;
}

}  // namespace Nx
