#include "GeneQueryCache.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/NxFeatureDbi.h>

#include <QSet>

#include <algorithm>

namespace Nx {

void GeneQueryCache::clearWindow() {
    bounds.clear();
    segments.clear();
    lastSegment = 0;
    unionFirst = unionLast = -1;
    unionGenes.clear();
}

void GeneQueryCache::loadWindow(const NxDataId& seqId, const NxRegion& win, NxOpStatus& readOs) {
    QList<Gene> genes = dbi->getGenesInRegion(seqId, win, readOs);
    if (readOs.hasError()) {
        return;
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
}

int GeneQueryCache::segmentAt(qint64 pos) {
    if (lastSegment < segments.size() && bounds[lastSegment] <= pos && pos < bounds[lastSegment + 1]) {
        return lastSegment;
    }
    lastSegment = static_cast<int>(std::upper_bound(bounds.begin(), bounds.end(), pos) - bounds.begin()) - 1;
    return lastSegment;
}

QList<Gene> GeneQueryCache::overlappedGenes(const NxRegion& region, const NxDataId& seqId, NxOpStatus& os) {
    const NxRegion wanted = prepare(region, seqId, os);
    if (wanted.isEmpty()) {
        return QList<Gene>();
    }
    int first = segmentAt(wanted.startPos);
    if (wanted.endPos() <= bounds[first + 1]) {
        return segments[first];
    }
    // Several segments: their union, back in host order. Neighbouring variations ask for the
    // same run of segments (a promoter window moves a few bases): the last union is kept.
    int last = first;
    while (last + 1 < segments.size() && bounds[last + 1] < wanted.endPos()) {
        ++last;
    }
    if (first == unionFirst && last == unionLast) {
        return unionGenes;
    }
    QList<Gene> res;
    QSet<NxDataId> seen;
    for (int i = first; i <= last; ++i) {
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
    unionFirst = first;
    unionLast = last;
    unionGenes = res;
    return res;
}

bool GeneQueryCache::isIntersect(const NxRegion& region, const NxDataId& seqId, NxOpStatus& os) {
    const NxRegion wanted = prepare(region, seqId, os);
    if (wanted.isEmpty()) {
        return false;
    }
    for (int i = segmentAt(wanted.startPos); i < segments.size() && bounds[i] < wanted.endPos(); ++i) {
        if (!segments[i].isEmpty()) {
            return true;
        }
    }
    return false;
}

}  // namespace Nx
