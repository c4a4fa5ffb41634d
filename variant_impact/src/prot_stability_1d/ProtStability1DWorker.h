// Worker of "prot-stability-1d": one request to "protstability1d.py" per gene (genes named "FR..."
// left out) whose codon the variation changes, with the gene's protein as a one-record FASTA text,
// the 1-based position and the new amino acid. Stored as "STABILITY_1D:<feature id>".
#pragma once

#include <ProteinChangeWorker.h>

namespace Nx {
namespace LocalWorkflow {

class ProtStability1DWorker : public ProteinChangeWorker {
    Q_OBJECT
public:
    explicit ProtStability1DWorker(Actor* a);

protected:
    QList<int> geneFilter() const override;
    QVariantMap requestFor(const AminoAcidChange& change, const NxDataId& sequenceId, NxDbi* snpDatabase) override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
