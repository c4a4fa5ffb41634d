#include "ProtStability1DWorker.h"

#include <SnpRequestKeys.h>

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/NxDbi.h>
#include <NxCore/variation/SNPTablesUtils.h>
#include <NxCore/variation/VariationPropertiesUtils.h>

namespace Nx {
namespace LocalWorkflow {

ProtStability1DWorker::ProtStability1DWorker(Actor* a)
    : ProteinChangeWorker(a, SnpRequestKeys::PROT1D_RESULT, SnpRequestKeys::PROT1D_SCRIPT) {
}

QList<int> ProtStability1DWorker::geneFilter() const {
    return {SNPTablesUtils::SkipFRNamed};
}

QVariantMap ProtStability1DWorker::requestFor(const AminoAcidChange& c, const NxDataId& sequenceId, NxDbi* snpDatabase) {
    NxSequenceDbi* sequenceDbi = snpDatabase->getSequenceDbi();
    if (sequenceDbi == nullptr) {
        return {};
    }
    NxOpStatusImpl os;
    const QByteArray cds = VariationPropertiesUtils::getCodingSequence(c.gene, sequenceId, sequenceDbi, os);
    if (os.isCoR()) {
        return {};  // without the protein there is nothing to send for this gene
    }
    QVariantMap request;
    request[SnpRequestKeys::PROT1D_SEQUENCE] =
        QString(">seq\n") + QString::fromLatin1(VariationPropertiesUtils::getAASequence(cds));
    request[SnpRequestKeys::PROT1D_POSITION] = c.position + 1;
    request[SnpRequestKeys::PROT1D_SUBSTITUTION] = QString::fromLatin1(c.after);
    return request;
}

}  // namespace LocalWorkflow
}  // namespace Nx
