#include "DNAComplementTranslation.h"

#include <cctype>

namespace Nx {

DNAComplementTranslation::DNAComplementTranslation(const QString& id, const DNAAlphabet* alphabet)
    : DNATranslation(id, QStringLiteral("Complement"), DNATranslationType::NucleotideToComplement, alphabet, alphabet) {
    for (int i = 0; i < 256; ++i) {
        table[i] = static_cast<char>(i);
    }
    const char* pairs[] = {"AT", "TA", "UA", "CG", "GC", "RY", "YR", "KM", "MK", "SS", "WW", "BV", "VB", "DH", "HD", "NN"};
    for (const char* p : pairs) {
        unsigned char from = static_cast<unsigned char>(p[0]);
        char to = p[1];
        table[from] = to;
        table[static_cast<unsigned char>(std::tolower(from))] = static_cast<char>(std::tolower(static_cast<unsigned char>(to)));
    }
}

qint64 DNAComplementTranslation::translate(char* buffer, qint64 length) const {
    for (qint64 i = 0; i < length; ++i) {
        buffer[i] = table[static_cast<unsigned char>(buffer[i])];
    }
    return length;
}

QByteArray DNAComplementTranslation::reverseComplement(const QByteArray& data) const {
    QByteArray result(data.size(), '\0');
    const int n = data.size();
    for (int i = 0; i < n; ++i) {
        result[i] = complement(data[n - 1 - i]);
    }
    return result;
}

}  // namespace Nx
