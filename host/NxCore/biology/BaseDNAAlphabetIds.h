// Identifiers of the alphabets every registry knows. Sequence objects store these ids, so the
// texts must never change once databases exist.
#pragma once

#include <QString>

namespace Nx {

class BaseDNAAlphabetIds {
public:
    // A, C, G, T, N and the gap '-': what reference genomes are written in.
    static QString NUCL_DNA_DEFAULT() { return QStringLiteral("nucl-dna-default"); }
    // The default letters plus the IUPAC ambiguity codes.
    static QString NUCL_DNA_EXTENDED() { return QStringLiteral("nucl-dna-extended"); }
    // A, C, G, U, N and the gap.
    static QString NUCL_RNA_DEFAULT() { return QStringLiteral("nucl-rna-default"); }
    // The 20 amino acids, B, Z, X, the stop '*' and the gap.
    static QString AMINO_DEFAULT() { return QStringLiteral("amino-default"); }
    // Any byte.
    static QString RAW() { return QStringLiteral("raw"); }
};

}  // namespace Nx
