// Half-open genomic interval [startPos, startPos + length), 0-based, signed 64-bit.
#pragma once

#include <QVector>
#include <QtGlobal>

namespace Nx {

struct NxRegion {
    qint64 startPos = 0;
    qint64 length = 0;

    NxRegion() = default;
    NxRegion(qint64 start, qint64 len) : startPos(start), length(len) {}

    qint64 endPos() const { return startPos + length; }
    bool isEmpty() const { return length <= 0; }
    bool contains(qint64 pos) const { return pos >= startPos && pos < endPos(); }
    bool contains(const NxRegion& r) const { return r.startPos >= startPos && r.endPos() <= endPos(); }
    bool intersects(const NxRegion& r) const {
        return r.startPos < endPos() && startPos < r.endPos() && !isEmpty() && !r.isEmpty();
    }
    NxRegion intersect(const NxRegion& r) const;
    // The part at or after 0, computed without overflow for huge lengths; empty when nothing is left.
    NxRegion clippedToPositive() const;

    bool operator==(const NxRegion& o) const { return startPos == o.startPos && length == o.length; }
    bool operator!=(const NxRegion& o) const { return !(*this == o); }
    bool operator<(const NxRegion& o) const {
        return startPos < o.startPos || (startPos == o.startPos && length < o.length);
    }

    // Index of the first region of the list that intersects r, or -1.
    static int findIntersectedRegion(const QVector<NxRegion>& regions, const NxRegion& r);
};

}  // namespace Nx
