// Worker of "prot-stability-3d": one request to "protstability3d.py" per gene with an accession
// whose codon the variation changes, naming the structure by accession and chain "A", with the
// 1-based position and the new amino acid. Stored as "STABILITY_3D:<feature id>".
#pragma once

#include <ProteinChangeWorker.h>

namespace Nx {
namespace LocalWorkflow {

class ProtStability3DWorker : public ProteinChangeWorker {
    Q_OBJECT
public:
    explicit ProtStability3DWorker(Actor* a);

protected:
    QVariantMap requestFor(const AminoAcidChange& change, const NxDataId& sequenceId, NxDbi* snpDatabase) override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
