#include "ProtStability3DWorker.h"

#include <prot_stability_1d/AminoAcidChanges.h>
#include <SnpRequestKeys.h>

#include <NxCore/dbi/NxDbi.h>
#include <NxCore/log/Logger.h>

namespace Nx {
namespace LocalWorkflow {

ProtStability3DWorker::ProtStability3DWorker(Actor* a) : BaseRequestForSnpWorker(a) {
}

QStringList ProtStability3DWorker::getResultKeys() const {
    return {SnpRequestKeys::PROT3D_RESULT};
}

QString ProtStability3DWorker::getScriptName() const {
    return SnpRequestKeys::PROT3D_SCRIPT;
}

QList<QVariantMap> ProtStability3DWorker::prepareRequests(const NxVariant& variation, const NxVariantTrack& track,
                                                          NxDbi* snpDatabase) {
    QList<QVariantMap> requests;
    if (snpDatabase == nullptr) {
        return requests;
    }
    NX_SAFE_POINT(snpDatabase->getObjectDbi() != nullptr, QString("No object DBI"), requests);
    NX_SAFE_POINT(snpDatabase->getFeatureDbi() != nullptr, QString("No feature DBI"), requests);

    const NxDataId sequenceId = AminoAcidChanges::sequenceOf(track, snpDatabase);
    for (const AminoAcidChange& c : AminoAcidChanges::find(snpDatabase, sequenceId, variation, QList<int>())) {
        if (c.gene.getAccession().isEmpty()) {
            continue;  // no structure can be named
        }
        QVariantMap request;
        request[SnpRequestKeys::FEATURE_ID] = c.gene.getFeatureId();
        request[SnpRequestKeys::PROT3D_ACCESSION] = c.gene.getAccession();
        request[SnpRequestKeys::PROT3D_CHAIN] = QStringLiteral("A");
        request[SnpRequestKeys::PROT3D_POSITION] = c.position + 1;
        request[SnpRequestKeys::PROT3D_SUBSTITUTION] = QString::fromLatin1(c.after);
        requests << request;
    }
    return requests;
}

}  // namespace LocalWorkflow
}  // namespace Nx
