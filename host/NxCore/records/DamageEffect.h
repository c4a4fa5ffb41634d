// One effect of one variation: either a known effect (empty gene name), made from the matching
// known mutation of the reference database, or a gene effect (gene name set), one per gene hit.
// Every double is -1.0 when it carries no value.
#pragma once

#include <NxCore/records/NxEntity.h>

namespace Nx {

class DamageEffect : public NxEntity {
public:
    QByteArray variant;            // identifier of the variation the effect belongs to
    QString affectedGeneName;      // gene of a gene effect; empty for the known effect
    double toleranceScore = -1.0;  // damage-matrix score of the produced amino acid (single precision, widened)
    double avSift = -1.0;          // "AV SIFT" of the known mutation
    double lrt = -1.0;             // "LRT"
    double phyloP = -1.0;          // "PhyloP"
    double pp2 = -1.0;             // "PolyPhen2"
    double mutationTaster = -1.0;  // "MutationTaster"
    double genomes1000 = -1.0;     // allele frequency in the 1000 Genomes data
    bool inSegmentalDuplication = false;  // lies in an "SD" region
    bool inConservedRegion = false;       // lies in a "CR" region
    double gerpConserved = -1.0;
    double altAlleleFrequency = -1.0;
    double hapmap = -1.0;
    double gerpScore = -1.0;
    bool hasKnownId = false;       // the known mutation's identifier became the variation's public id
    QString discardReason;         // carried from the table, never filled by the evaluator
    bool damaging = false;         // changes the protein, or lies in a splice site outside it
    bool aminoAcidChanged = false; // the varied codon codes another amino acid

    bool isKnownEffect() const { return affectedGeneName.isEmpty(); }
};

}  // namespace Nx
