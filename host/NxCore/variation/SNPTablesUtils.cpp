#include "SNPTablesUtils.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/NxFeatureDbi.h>

namespace Nx {

namespace {

qint64 codingLength(const Gene& gene) {
    qint64 len = 0;
    for (const NxRegion& e : gene.getExons()) {
        len += e.intersect(gene.getCDSRegion()).length;
    }
    return len;
}

}  // namespace

bool SNPTablesUtils::passesFilters(const Gene& gene, const QList<int>& excludeList, NxOpStatus& os) {
    for (int code : excludeList) {
        switch (code) {
            case SkipNonCoding:
                if (!gene.isCoding() || gene.getCDSRegion().isEmpty()) {
                    return false;
                }
                break;
            case SkipFRNamed:
                if (gene.getName().startsWith(QLatin1String("FR"))) {
                    return false;
                }
                break;
            case SkipIncompleteCoding: {
                qint64 len = gene.isCoding() ? codingLength(gene) : 0;
                if (len == 0 || len % 3 != 0) {
                    return false;
                }
                break;
            }
            default:
                os.setError(tr("Unknown gene filter code %1").arg(code));
                return false;
        }
    }
    return true;
}

NxRegion SNPTablesUtils::promoterWindow(const Gene& gene) {
    const NxRegion& r = gene.getRegion();
    if (gene.isComplemented()) {
        return NxRegion(r.endPos(), PROMOTER_LENGTH);
    }
    qint64 start = qMax<qint64>(0, r.startPos - PROMOTER_LENGTH);
    return NxRegion(start, r.startPos - start);
}

QList<Gene> SNPTablesUtils::findGenes(const NxDataId& sequenceId, const NxRegion& region, NxFeatureDbi* featureDbi,
                                      NxOpStatus& os, const QList<int>& excludeList) {
    if (featureDbi == nullptr) {
        os.setError(tr("No feature table to find genes in"));
        return QList<Gene>();
    }
    QList<Gene> genes = featureDbi->getGenesInRegion(sequenceId, region, os);
    NX_CHECK_OP(os, QList<Gene>());
    if (excludeList.isEmpty()) {
        return genes;
    }
    QList<Gene> res;
    for (const Gene& g : genes) {
        if (passesFilters(g, excludeList, os)) {
            res << g;
        }
        NX_CHECK_OP(os, QList<Gene>());
    }
    return res;
}

QList<Gene> SNPTablesUtils::findRegulatedGenes(const NxDataId& sequenceId, const NxRegion& region,
                                               NxFeatureDbi* featureDbi, NxOpStatus& os,
                                               const QList<int>& excludeList) {
    if (featureDbi == nullptr) {
        os.setError(tr("No feature table to find genes in"));
        return QList<Gene>();
    }
    if (region.length <= 0) {
        return QList<Gene>();
    }
    // Every gene whose promoter can reach the region overlaps the region widened by the window.
    qint64 start = qMax<qint64>(0, region.startPos - PROMOTER_LENGTH);
    NxRegion search(start, region.endPos() + PROMOTER_LENGTH - start);
    QList<Gene> genes = featureDbi->getGenesInRegion(sequenceId, search, os);
    NX_CHECK_OP(os, QList<Gene>());
    QList<Gene> res;
    for (const Gene& g : genes) {
        if (!promoterWindow(g).intersects(region)) {
            continue;
        }
        if (passesFilters(g, excludeList, os)) {
            res << g;
        }
        NX_CHECK_OP(os, QList<Gene>());
    }
    return res;
}

}  // namespace Nx
