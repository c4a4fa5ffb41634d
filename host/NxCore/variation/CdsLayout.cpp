#include "CdsLayout.h"

#include <algorithm>

namespace Nx {

CdsLayout::CdsLayout(const Gene& gene) : reverse(gene.isComplemented()) {
    const NxRegion& cds = gene.getCDSRegion();
    if (!gene.isCoding() || cds.length <= 0) {
        return;
    }
    for (const NxRegion& exon : gene.getExons()) {
        NxRegion p = exon.intersect(cds);
        if (p.length > 0) {
            parts.append(p);
        }
    }
    // Exons are stored ascending; sort anyway so a differently ordered list cannot shift frames.
    std::sort(parts.begin(), parts.end());
    if (reverse) {
        std::reverse(parts.begin(), parts.end());
    }
    for (const NxRegion& p : parts) {
        totalLength += p.length;
    }
}

qint64 CdsLayout::offsetOf(qint64 position) const {
    qint64 before = 0;
    for (const NxRegion& p : parts) {
        if (p.contains(position)) {
            return before + (reverse ? p.endPos() - 1 - position : position - p.startPos);
        }
        before += p.length;
    }
    return -1;
}

qint64 CdsLayout::positionAt(qint64 offset) const {
    if (offset < 0) {
        return -1;
    }
    qint64 rest = offset;
    for (const NxRegion& p : parts) {
        if (rest < p.length) {
            return reverse ? p.endPos() - 1 - rest : p.startPos + rest;
        }
        rest -= p.length;
    }
    return -1;
}

}  // namespace Nx
