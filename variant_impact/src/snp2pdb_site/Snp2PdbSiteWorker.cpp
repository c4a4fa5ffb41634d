#include "Snp2PdbSiteWorker.h"

#include <SnpRequestKeys.h>

namespace Nx {
namespace LocalWorkflow {

Snp2PdbSiteWorker::Snp2PdbSiteWorker(Actor* a)
    : ProteinChangeWorker(a, SnpRequestKeys::PDB_SITE_RESULT, SnpRequestKeys::PDB_SITE_SCRIPT) {
}

QString Snp2PdbSiteWorker::changeText(int position, const QByteArray& before, const QByteArray& after) {
    return QString("\"A %1       %2 -> %3\"")
        .arg(QString::number(position), QString::fromLatin1(before), QString::fromLatin1(after));
}

QVariantMap Snp2PdbSiteWorker::requestFor(const AminoAcidChange& c, const NxDataId&, NxDbi*) {
    if (c.gene.getAccession().isEmpty()) {
        return {};
    }
    QVariantMap request;
    request[SnpRequestKeys::PDB_SITE_ACCESSION] = c.gene.getAccession();
    request[SnpRequestKeys::PDB_SITE_CHAIN] = QStringLiteral("A");
    request[SnpRequestKeys::PDB_SITE_MUTATION] = changeText(c.position + 1, c.before, c.after);
    return request;
}

}  // namespace LocalWorkflow
}  // namespace Nx
