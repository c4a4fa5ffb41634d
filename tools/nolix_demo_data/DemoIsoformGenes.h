// Two genes with four transcripts each, appended to the last chromosome, so that the demo shows
// which transcript the reference builder keeps and what every transcript says:
//   201  first exon B, coding exons 2, 3 and 4;
//   202  an alternative first exon A (upstream of B) instead of B, the same protein;
//   203  as 201 with a cassette exon C of 20 codons inside the intron between exons 2 and 3;
//   204  as 201 but coding from an ATG 10 codons into exon 3 (exon 2 is all 5' UTR).
// NXISO1 lies on the minus strand; its 201 is tagged MANE Select and Ensembl canonical and 201
// and 203 carry CCDS ids, so the rule keeps 201. NXISO2 lies on the plus strand without tags, so
// the rule keeps 203, the longest coding sequence. Demo records sit in exon A, in exon C, in the
// coding part of exon 2 and on both sides of the second ATG in exon 3.
// The loci come from a random stream of their own after everything else is planned (and after
// the identifiers are given), so every other record, gene and base stays what the seed gave.
#pragma once

#include "DemoModel.h"

namespace Nx {

class DemoIsoformGenes {
public:
    static const char* const NAMES[2];  // "NXISO1", "NXISO2"

    // Call after DemoScriptData::assignIds; the records added get no public identifier.
    static void add(DemoGenome& genome, quint64 seed);
};

}  // namespace Nx
