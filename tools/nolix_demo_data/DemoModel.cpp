#include "DemoModel.h"

namespace Nx {

QVector<NxRegion> DemoTranscript::cdsParts() const {
    QVector<NxRegion> parts;
    if (!coding || cds.isEmpty()) {
        return parts;
    }
    for (const NxRegion& e : exons) {
        NxRegion p = e.intersect(cds);
        if (p.length > 0) {
            parts.append(p);
        }
    }
    return parts;
}

bool DemoVariant::operator<(const DemoVariant& o) const {
    if (chromosome != o.chromosome) {
        return chromosome < o.chromosome;
    }
    if (position != o.position) {
        return position < o.position;
    }
    if (ref != o.ref) {
        return ref < o.ref;
    }
    return alts < o.alts;
}

bool DemoVariant::operator==(const DemoVariant& o) const {
    return chromosome == o.chromosome && position == o.position && ref == o.ref && alts == o.alts;
}

}  // namespace Nx
