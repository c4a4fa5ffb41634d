// Encoding of a transcript's damage-effect matrix, the "DEAttribute" byte array: for L amino-acid
// positions, L rows of 20 little-endian float32 tolerance scores in the amino-acid order
// "ACDEFGHIKLMNPQRSTVWY"; row i is the 0-based amino-acid (codon) position i. A missing score is
// stored as -1. "DEAttribute_len" holds L.
#pragma once

#include <QByteArray>
#include <QVector>

#include <array>

namespace Nx {

class DamageMatrix {
public:
    static const int AMINO_ACID_COUNT = 20;
    static const int ROW_BYTES = AMINO_ACID_COUNT * 4;
    // Order of the columns of a row.
    static const char* aminoAcidOrder() { return "ACDEFGHIKLMNPQRSTVWY"; }
    // Column of an amino acid (upper or lower case), -1 for anything else ('*', 'X', ...).
    static int column(char aminoAcid);

    static QByteArray encode(const QVector<std::array<float, AMINO_ACID_COUNT>>& rows);
    // The score of aminoAcid at the 0-based position; -1 when the position is outside 0..length-1,
    // the amino acid is not one of the 20, or the matrix holds fewer than length rows.
    static float score(char aminoAcid, int position, const QByteArray& matrix, int length);
};

}  // namespace Nx
