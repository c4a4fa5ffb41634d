#include "Snp2PdbSiteWorker.h"

#include <prot_stability_1d/AminoAcidChanges.h>
#include <SnpRequestKeys.h>

#include <NxCore/dbi/NxDbi.h>
#include <NxCore/log/Logger.h>

namespace Nx {
namespace LocalWorkflow {

Snp2PdbSiteWorker::Snp2PdbSiteWorker(Actor* a) : BaseRequestForSnpWorker(a) {
}

QStringList Snp2PdbSiteWorker::getResultKeys() const {
    return {SnpRequestKeys::PDB_SITE_RESULT};
}

QString Snp2PdbSiteWorker::getScriptName() const {
    return SnpRequestKeys::PDB_SITE_SCRIPT;
}

QString Snp2PdbSiteWorker::changeText(int position, const QByteArray& before, const QByteArray& after) {
    return QString("\"A %1       %2 -> %3\"")
        .arg(QString::number(position), QString::fromLatin1(before), QString::fromLatin1(after));
}

QList<QVariantMap> Snp2PdbSiteWorker::prepareRequests(const NxVariant& variation, const NxVariantTrack& track,
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
            continue;
        }
        QVariantMap request;
        request[SnpRequestKeys::FEATURE_ID] = c.gene.getFeatureId();
        request[SnpRequestKeys::PDB_SITE_ACCESSION] = c.gene.getAccession();
        request[SnpRequestKeys::PDB_SITE_CHAIN] = QStringLiteral("A");
        request[SnpRequestKeys::PDB_SITE_MUTATION] = changeText(c.position + 1, c.before, c.after);
        requests << request;
    }
    return requests;
}

}  // namespace LocalWorkflow
}  // namespace Nx
