#include "TranscriptModel.h"

namespace Nx {

NxRegion TranscriptModel::codingRegion() const {
    if (cdsParts.isEmpty()) {
        return NxRegion();
    }
    qint64 start = cdsParts.first().startPos;
    qint64 end = cdsParts.last().endPos();
    if (reverse) {
        end -= startPhase;
    } else {
        start += startPhase;
    }
    return end > start ? NxRegion(start, end - start) : NxRegion();
}

int TranscriptModel::codonCount() const {
    qint64 bases = 0;
    NxRegion coding = codingRegion();
    for (const NxRegion& part : cdsParts) {
        bases += part.intersect(coding).length;
    }
    return static_cast<int>(bases / 3);
}

}  // namespace Nx
