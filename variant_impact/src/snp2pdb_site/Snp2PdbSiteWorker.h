// Worker of "snp2pdb-site": one request to "snp2pdbsite.py" per gene with an accession whose codon
// the variation changes (a synonymous change included), naming the structure by accession and
// chain "A" and the change as "A <position>       <before> -> <after>" in double quotes.
// Stored as "PDB_SITE:<feature id>".
#pragma once

#include <ProteinChangeWorker.h>

namespace Nx {
namespace LocalWorkflow {

class Snp2PdbSiteWorker : public ProteinChangeWorker {
    Q_OBJECT
public:
    explicit Snp2PdbSiteWorker(Actor* a);

    // The change text sent under "-m", double quotes included; position is 1-based.
    static QString changeText(int position, const QByteArray& before, const QByteArray& after);

protected:
    QVariantMap requestFor(const AminoAcidChange& change, const NxDataId& sequenceId, NxDbi* snpDatabase) override;
};

}  // namespace LocalWorkflow
}  // namespace Nx
