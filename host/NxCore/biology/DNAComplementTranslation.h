// Nucleotide to complementary nucleotide, IUPAC codes included (R<->Y, K<->M, B<->V, D<->H;
// S, W and N are their own complements). Letter case is kept; U complements to A; bytes that
// are not nucleotide letters are left as they are.
#pragma once

#include <NxCore/biology/DNATranslation.h>

#include <QByteArray>

#include <array>

namespace Nx {

class DNAComplementTranslation : public DNATranslation {
public:
    DNAComplementTranslation(const QString& id, const DNAAlphabet* alphabet);

    // Each byte replaced by its complement, in place; not reversed. Returns length.
    qint64 translate(char* buffer, qint64 length) const override;

    // The complement of one letter.
    char complement(char c) const { return table[static_cast<unsigned char>(c)]; }
    // Reverse complement of a copy: what the other strand reads 5' to 3'.
    QByteArray reverseComplement(const QByteArray& data) const;

private:
    std::array<char, 256> table{};  // byte -> complement byte
};

}  // namespace Nx
