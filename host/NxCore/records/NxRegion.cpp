#include "NxRegion.h"

#include <algorithm>

namespace Nx {

NxRegion NxRegion::intersect(const NxRegion& r) const {
    qint64 s = std::max(startPos, r.startPos);
    qint64 e = std::min(endPos(), r.endPos());
    return e > s ? NxRegion(s, e - s) : NxRegion(s, 0);
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
