// The stretch a feature cache loads when a look-up misses: it starts a little before the missed
// region (so the upstream promoter look-ups that follow hit too), is at least windowSize long and
// always covers the whole missed region.
#pragma once

#include <NxCore/records/NxRegion.h>

#include <QtGlobal>

namespace Nx {

inline NxRegion cacheWindowFor(const NxRegion& missed, qint64 lookBehind, qint64 windowSize) {
    qint64 start = qMax<qint64>(0, missed.startPos - lookBehind);
    return NxRegion(start, qMax(windowSize, missed.length + (missed.startPos - start))).clippedToPositive();
}

}  // namespace Nx
