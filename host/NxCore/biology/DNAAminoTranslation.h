// Nucleotide triplets to amino acids by the standard genetic code (NCBI table 1): '*' for the
// three stop codons, 'X' for a triplet holding anything but A, C, G, T or U (either case).
#pragma once

#include <NxCore/biology/DNATranslation.h>

#include <QByteArray>

#include <array>

namespace Nx {

class DNAAminoTranslation : public DNATranslation {
public:
    DNAAminoTranslation(const QString& id, const DNAAlphabet* srcAlphabet, const DNAAlphabet* dstAlphabet);

    // Writes length / 3 amino acids at the start of buffer (a trailing partial codon is dropped).
    qint64 translate(char* buffer, qint64 length) const override;
    char translate3to1(char c1, char c2, char c3) const override;

    // The whole of data, codon by codon, as a new array.
    QByteArray translateAll(const QByteArray& data) const;

    // The 64 codons' amino acids in TCAG order, as the genetic-code tables print them.
    static const char* standardCodeTCAG();

private:
    std::array<qint8, 256> baseIndex{};  // byte -> 0..3 for T, C, A, G (U as T), -1 otherwise
    std::array<char, 64> code{};         // 16*b1 + 4*b2 + b3 -> amino acid
};

}  // namespace Nx
