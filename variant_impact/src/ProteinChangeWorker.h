// What the three protein elements (stability 1D and 3D, PDB sites) share: one request per gene
// whose protein the variation changes (AminoAcidChanges), carrying the gene's feature identifier,
// so that each answer is stored as "<result key>:<feature id>". An element states only which
// genes it searches and what one change's request holds.
#pragma once

#include "AminoAcidChanges.h"
#include "ScriptElementWorker.h"

namespace Nx {
namespace LocalWorkflow {

class ProteinChangeWorker : public ScriptElementWorker {
    Q_OBJECT
public:
    using ScriptElementWorker::ScriptElementWorker;

protected:
    QList<QVariantMap> prepareRequests(const NxVariant& variation, const NxVariantTrack& track, NxDbi* snpDatabase) final;
    // The host's gene filter for the search (none by default).
    virtual QList<int> geneFilter() const { return {}; }
    // The request options for one change; empty: nothing is asked for that gene.
    virtual QVariantMap requestFor(const AminoAcidChange& change, const NxDataId& sequenceId, NxDbi* snpDatabase) = 0;
};

}  // namespace LocalWorkflow
}  // namespace Nx
