#include "ProteinChangeWorker.h"

#include "SnpRequestKeys.h"

#include <NxCore/dbi/NxDbi.h>
#include <NxCore/log/Logger.h>

namespace Nx {
namespace LocalWorkflow {

QList<QVariantMap> ProteinChangeWorker::prepareRequests(const NxVariant& variation, const NxVariantTrack& track,
                                                        NxDbi* snpDatabase) {
    QList<QVariantMap> requests;
    if (snpDatabase == nullptr) {
        return requests;
    }
    NX_SAFE_POINT(snpDatabase->getObjectDbi() != nullptr, QString("No object DBI"), requests);
    NX_SAFE_POINT(snpDatabase->getFeatureDbi() != nullptr, QString("No feature DBI"), requests);
    const NxDataId sequenceId = AminoAcidChanges::sequenceOf(track, snpDatabase);
    for (const AminoAcidChange& c : AminoAcidChanges::find(snpDatabase, sequenceId, variation, geneFilter())) {
        QVariantMap request = requestFor(c, sequenceId, snpDatabase);
        if (request.isEmpty()) {
            continue;
        }
        request[SnpRequestKeys::FEATURE_ID] = c.gene.getFeatureId();
        requests << request;
    }
    return requests;
}

}  // namespace LocalWorkflow
}  // namespace Nx
