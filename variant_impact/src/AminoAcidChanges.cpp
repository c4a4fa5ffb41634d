#include "AminoAcidChanges.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/NxDbi.h>
#include <NxCore/variation/SNPTablesUtils.h>
#include <NxCore/variation/VariationPropertiesUtils.h>
#include <NxFormats/snp/SNPDatabaseUtils.h>

namespace Nx {
namespace LocalWorkflow {

NxDataId AminoAcidChanges::sequenceOf(const NxVariantTrack& track, NxDbi* snpDatabase) {
    if (!track.sequence.isEmpty() || snpDatabase == nullptr) {
        return track.sequence;
    }
    return SNPDatabaseUtils::getSequenceId(track.sequenceName, snpDatabase->getObjectDbi());
}

QList<AminoAcidChange> AminoAcidChanges::find(NxDbi* snpDatabase, const NxDataId& sequenceId,
                                              const NxVariant& variation, const QList<int>& geneFilter) {
    QList<AminoAcidChange> changes;
    if (snpDatabase == nullptr || snpDatabase->getFeatureDbi() == nullptr) {
        return changes;
    }
    NxOpStatusImpl os;
    const NxRegion region(variation.startPos, variation.regionLength());
    const QList<Gene> genes = SNPTablesUtils::findGenes(sequenceId, region, snpDatabase->getFeatureDbi(), os, geneFilter);
    if (os.isCoR()) {
        return changes;
    }
    for (const Gene& gene : genes) {
        AminoAcidChange c;
        c.gene = gene;
        // A read error of one gene leaves its position at -1: that gene is passed over.
        NxOpStatusImpl geneOs;
        const QPair<QByteArray, QByteArray> aa =
            VariationPropertiesUtils::getAASubstitution(snpDatabase, gene, sequenceId, variation, c.position, geneOs);
        if (c.position == -1 || aa.first.isEmpty() || aa.second.isEmpty()) {
            continue;
        }
        c.before = aa.first;
        c.after = aa.second;
        changes << c;
    }
    return changes;
}

}  // namespace LocalWorkflow
}  // namespace Nx
