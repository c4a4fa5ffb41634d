// The texts shared by every per-variation request: the option keys a worker puts into a request
// (for the script elements, the script's command-line options), the separator, the result keys
// (the names of the stored attributes, which the report reads back) and the script file names.
// Several elements use the same option text with a different meaning; the element decides.
#pragma once

#include <QString>

namespace Nx {
namespace SnpRequestKeys {

// Feature the request is about; never passed to a script, it suffixes the attribute name.
inline const QString FEATURE_ID = QStringLiteral("featureID");

// rSNP-tools.
inline const QString RSNP_FIRST_SEQUENCE = QStringLiteral("-f");        // reference window
inline const QString RSNP_SECOND_SEQUENCE = QStringLiteral("-s");       // window with the observed allele
inline const QString RSNP_FIRST_SITE_STATE = QStringLiteral("--snpdm1");
inline const QString RSNP_SECOND_SITE_STATE = QStringLiteral("--snpdm2");
inline const QString RSNP_SIGNIFICANCE = QStringLiteral("--sign");

// Protein stability 1D.
inline const QString PROT1D_SEQUENCE = QStringLiteral("-s");            // ">seq\n" + amino acids
inline const QString PROT1D_POSITION = QStringLiteral("-p");            // 1-based
inline const QString PROT1D_SUBSTITUTION = QStringLiteral("-t");

// Protein stability 3D.
inline const QString PROT3D_ACCESSION = QStringLiteral("-i");
inline const QString PROT3D_CHAIN = QStringLiteral("-c");               // always "A"
inline const QString PROT3D_POSITION = QStringLiteral("-p");
inline const QString PROT3D_SUBSTITUTION = QStringLiteral("-t");

// SNP-to-PDB-site.
inline const QString PDB_SITE_ACCESSION = QStringLiteral("-p");
inline const QString PDB_SITE_CHAIN = QStringLiteral("-c");
inline const QString PDB_SITE_MUTATION = QStringLiteral("-m");

// SNP ChIP tools.
inline const QString SNP_CHIP_UG = QStringLiteral("--ug");              // the text "true"
inline const QString SNP_CHIP_ID = QStringLiteral("-i");                // public identifier

// TATA box, read in-process by the analysis task ("-seq2" has one hyphen).
inline const QString TATA_FIRST_SEQUENCE = QStringLiteral("--seq1");
inline const QString TATA_SECOND_SEQUENCE = QStringLiteral("-seq2");

// Between key and value of an answer line, and between result key and feature id in a name.
inline const QString SEPARATOR = QStringLiteral(":");

// Result keys: answer line key, result map key and stored attribute name at once.
inline const QString RSNP_RESULT = QStringLiteral("PRESENT");
inline const QString PROT1D_RESULT = QStringLiteral("STABILITY_1D");
inline const QString PROT3D_RESULT = QStringLiteral("STABILITY_3D");
inline const QString PDB_SITE_RESULT = QStringLiteral("PDB_SITE");
inline const QString SNP_CHIP_RESULT = QStringLiteral("SNP_CHIP");
inline const QString TATA_RESULT = QStringLiteral("TATA_TOOLS");

// Script file names in the suite's script folder.
inline const QString RSNP_SCRIPT = QStringLiteral("rsnp.py");
inline const QString PROT1D_SCRIPT = QStringLiteral("protstability1d.py");
inline const QString PROT3D_SCRIPT = QStringLiteral("protstability3d.py");
inline const QString PDB_SITE_SCRIPT = QStringLiteral("snp2pdbsite.py");
inline const QString SNP_CHIP_SCRIPT = QStringLiteral("SNPChIPTools.py");

}  // namespace SnpRequestKeys
}  // namespace Nx
