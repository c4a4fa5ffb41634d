#include "ProtStability1DWorker.h"

#include "AminoAcidChanges.h"

#include <SnpRequestKeys.h>

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/NxDbi.h>
#include <NxCore/log/Logger.h>
#include <NxCore/variation/SNPTablesUtils.h>
#include <NxCore/variation/VariationPropertiesUtils.h>

namespace Nx {
namespace LocalWorkflow {

ProtStability1DWorker::ProtStability1DWorker(Actor* a) : BaseRequestForSnpWorker(a) {
}

QStringList ProtStability1DWorker::getResultKeys() const {
    return {SnpRequestKeys::PROT1D_RESULT};
}

QString ProtStability1DWorker::getScriptName() const {
    return SnpRequestKeys::PROT1D_SCRIPT;
}

QList<QVariantMap> ProtStability1DWorker::prepareRequests(const NxVariant& variation, const NxVariantTrack& track,
                                                          NxDbi* snpDatabase) {
    QList<QVariantMap> requests;
    if (snpDatabase == nullptr) {
        return requests;
    }
    NX_SAFE_POINT(snpDatabase->getObjectDbi() != nullptr, QString("No object DBI"), requests);
    NX_SAFE_POINT(snpDatabase->getFeatureDbi() != nullptr, QString("No feature DBI"), requests);
    NxSequenceDbi* sequenceDbi = snpDatabase->getSequenceDbi();
    NX_SAFE_POINT(sequenceDbi != nullptr, QString("No sequence DBI"), requests);

    const NxDataId sequenceId = AminoAcidChanges::sequenceOf(track, snpDatabase);
    const QList<int> filter{SNPTablesUtils::SkipFRNamed};
    for (const AminoAcidChange& c : AminoAcidChanges::find(snpDatabase, sequenceId, variation, filter)) {
        NxOpStatusImpl os;
        const QByteArray cds = VariationPropertiesUtils::getCodingSequence(c.gene, sequenceId, sequenceDbi, os);
        if (os.isCoR()) {
            // Without the protein there is nothing to send for this gene.
            continue;
        }
        QVariantMap request;
        request[SnpRequestKeys::FEATURE_ID] = c.gene.getFeatureId();
        request[SnpRequestKeys::PROT1D_SEQUENCE] =
            QString(">seq\n") + QString::fromLatin1(VariationPropertiesUtils::getAASequence(cds));
        request[SnpRequestKeys::PROT1D_POSITION] = c.position + 1;
        request[SnpRequestKeys::PROT1D_SUBSTITUTION] = QString::fromLatin1(c.after);
        requests << request;
    }
    return requests;
}

}  // namespace LocalWorkflow
}  // namespace Nx
