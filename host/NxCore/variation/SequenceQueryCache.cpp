#include "SequenceQueryCache.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/NxSequenceDbi.h>

namespace Nx {

SequenceQueryCache::SequenceQueryCache(NxSequenceDbi* dbi, const NxDataId& sequenceId)
    : dbi(dbi), sequenceId(sequenceId) {}

void SequenceQueryCache::clear() {
    window = NxRegion();
    windowData.clear();
    sequenceLength = -1;
}

void SequenceQueryCache::setSequenceDbi(NxSequenceDbi* newDbi) {
    if (newDbi != dbi) {
        dbi = newDbi;
        clear();
    }
}

void SequenceQueryCache::setSequenceId(const NxDataId& id) {
    if (id != sequenceId) {
        sequenceId = id;
        clear();
    }
}

QByteArray SequenceQueryCache::getSequence(const NxRegion& region, NxOpStatus& os) {
    if (dbi == nullptr) {
        os.setError(tr("No sequence table to read from"));
        return QByteArray();
    }
    if (sequenceId.isEmpty()) {
        os.setError(tr("No sequence chosen to read from"));
        return QByteArray();
    }
    if (sequenceLength < 0) {
        NxSequence seq = dbi->getSequenceObject(sequenceId, os);
        NX_CHECK_OP(os, QByteArray());
        sequenceLength = seq.length;
    }
    qint64 start = qMax<qint64>(0, region.startPos);
    qint64 end = region.length >= sequenceLength ? sequenceLength
                                                 : qMin(sequenceLength, region.startPos + region.length);
    if (region.length <= 0 || end <= start) {
        return QByteArray();
    }
    NxRegion wanted(start, end - start);
    if (!window.contains(wanted)) {
        if (wanted.length > WINDOW_SIZE) {
            return dbi->getSequenceData(sequenceId, wanted, os);  // too long to be worth keeping
        }
        qint64 winStart = qMax<qint64>(0, start - LOOK_BEHIND);
        qint64 winEnd = qMin(sequenceLength, winStart + WINDOW_SIZE);
        QByteArray data = dbi->getSequenceData(sequenceId, NxRegion(winStart, winEnd - winStart), os);
        if (os.isCoR()) {
            clear();
            return QByteArray();
        }
        window = NxRegion(winStart, data.size());
        windowData = data;
        if (!window.contains(wanted)) {
            return QByteArray();  // the table held less than its stated length
        }
    }
    return windowData.mid(static_cast<int>(start - window.startPos), static_cast<int>(wanted.length));
}

}  // namespace Nx
