#include "NxRegion.h"

#include <algorithm>
#include <limits>

namespace Nx {

NxRegion NxRegion::intersect(const NxRegion& r) const {
    qint64 s = std::max(startPos, r.startPos);
    qint64 e = std::min(endPos(), r.endPos());
    return e > s ? NxRegion(s, e - s) : NxRegion(s, 0);
}

NxRegion NxRegion::clippedToPositive() const {
    const qint64 maxPos = std::numeric_limits<qint64>::max();
    if (length <= 0) {
        return NxRegion();
    }
    qint64 end = startPos > maxPos - length ? maxPos : endPos();
    qint64 start = std::max<qint64>(0, startPos);
    return end > start ? NxRegion(start, end - start) : NxRegion();
}

int NxRegion::findIntersectedRegion(const QVector<NxRegion>& regions, const NxRegion& r) {
    for (int i = 0; i < regions.size(); ++i) {
        if (regions[i].intersects(r)) {
            return i;
        }
    }
    return -1;
}

}  // namespace Nx
