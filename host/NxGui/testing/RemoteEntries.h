// Small stand-ins for what the remote databases serve, for the tests that serve them from a
// loopback server: a PDB entry (1CRN, one atom) and an Ensembl gene as FASTA.
#pragma once

#include <QByteArray>

namespace Nx {

inline const QByteArray PDB_1CRN =
    "HEADER    PLANT PROTEIN                           30-APR-81   1CRN\n"
    "ATOM      1  N   THR A   1      17.047  14.099   3.625  1.00 13.79           N\n"
    "END\n";
inline const QByteArray ENSG_FASTA = ">ENSG00000139618.19 chromosome:GRCh38:13:32315508:32400268:1\nGGGCTTGTGGCGC\n";

}  // namespace Nx
