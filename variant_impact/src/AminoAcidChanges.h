// The genes whose protein a variation changes, as the three protein elements (stability 1D and
// 3D, PDB sites) ask for them: every gene over the variation region that the host finds, with
// the amino-acid pair and the 0-based position the host gives for the variation in that gene.
// A synonymous change is kept (both letters equal); a gene without a codon change is not.
#pragma once

#include <NxCore/records/Gene.h>
#include <NxCore/records/NxVariant.h>

namespace Nx {

class NxDbi;

namespace LocalWorkflow {

struct AminoAcidChange {
    Gene gene;
    int position = -1;  // 0-based amino-acid position in the gene's protein
    QByteArray before;  // one-letter amino acid of the reference
    QByteArray after;   // one-letter amino acid with the observed allele
};

class AminoAcidChanges {
public:
    // The sequence the track lies on: its sequence identifier, else the one named like it.
    static NxDataId sequenceOf(const NxVariantTrack& track, NxDbi* snpDatabase);
    // The changes of the variation in the genes over its region, in the host's gene order; empty
    // when the gene search fails. geneFilter is the host's filter list for findGenes.
    static QList<AminoAcidChange> find(NxDbi* snpDatabase, const NxDataId& sequenceId, const NxVariant& variation,
                                       const QList<int>& geneFilter);
};

}  // namespace LocalWorkflow
}  // namespace Nx
