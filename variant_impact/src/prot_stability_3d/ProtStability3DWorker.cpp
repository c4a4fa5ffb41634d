#include "ProtStability3DWorker.h"

#include <SnpRequestKeys.h>

namespace Nx {
namespace LocalWorkflow {

ProtStability3DWorker::ProtStability3DWorker(Actor* a)
    : ProteinChangeWorker(a, SnpRequestKeys::PROT3D_RESULT, SnpRequestKeys::PROT3D_SCRIPT) {
}

QVariantMap ProtStability3DWorker::requestFor(const AminoAcidChange& c, const NxDataId&, NxDbi*) {
    if (c.gene.getAccession().isEmpty()) {
        return {};  // no structure can be named
    }
    QVariantMap request;
    request[SnpRequestKeys::PROT3D_ACCESSION] = c.gene.getAccession();
    request[SnpRequestKeys::PROT3D_CHAIN] = QStringLiteral("A");
    request[SnpRequestKeys::PROT3D_POSITION] = c.position + 1;
    request[SnpRequestKeys::PROT3D_SUBSTITUTION] = QString::fromLatin1(c.after);
    return request;
}

}  // namespace LocalWorkflow
}  // namespace Nx
