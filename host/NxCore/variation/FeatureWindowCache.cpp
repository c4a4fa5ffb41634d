#include "FeatureWindowCache.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/log/Logger.h>

namespace Nx {

void FeatureWindowCache::clear() {
    sequenceId.clear();
    window = NxRegion();
    clearWindow();
}

void FeatureWindowCache::setFeatureDbi(NxFeatureDbi* newDbi) {
    if (newDbi != dbi) {
        dbi = newDbi;
        clear();
    }
}

NxRegion FeatureWindowCache::windowFor(const NxRegion& missed) {
    qint64 start = qMax<qint64>(0, missed.startPos - LOOK_BEHIND);
    return NxRegion(start, qMax(WINDOW_SIZE, missed.length + (missed.startPos - start))).clippedToPositive();
}

NxRegion FeatureWindowCache::prepare(const NxRegion& region, const NxDataId& seqId, NxOpStatus& os) {
    const NxRegion wanted = region.clippedToPositive();
    if (dbi == nullptr || wanted.isEmpty() || seqId.isEmpty() || os.hasError()) {
        return NxRegion();
    }
    if (seqId == sequenceId && window.contains(wanted)) {
        return wanted;
    }
    clear();
    const NxRegion win = windowFor(wanted);
    NxOpStatusImpl readOs;
    loadWindow(seqId, win, readOs);
    if (readOs.hasError()) {
        const QString msg = QString("Cannot read the %1 of %2..%3: %4")
                                .arg(contentName())
                                .arg(win.startPos)
                                .arg(win.endPos())
                                .arg(readOs.getError());
        ioLog.error(msg);
        os.setError(msg);
        clearWindow();
        return NxRegion();
    }
    sequenceId = seqId;
    window = win;
    return wanted;
}

}  // namespace Nx
