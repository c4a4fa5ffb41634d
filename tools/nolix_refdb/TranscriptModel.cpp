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

qint64 TranscriptModel::exonBases() const {
    qint64 bases = 0;
    for (const NxRegion& e : exons) {
        bases += e.length;
    }
    return bases;
}

bool TranscriptModel::hasTag(const QString& tag) const {
    auto normal = [](QString t) { return t.trimmed().replace(' ', '_').toLower(); };
    const QString wanted = normal(tag);
    for (const QString& t : tags) {
        if (normal(t) == wanted) {
            return true;
        }
    }
    return false;
}

}  // namespace Nx
