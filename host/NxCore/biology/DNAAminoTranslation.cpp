#include "DNAAminoTranslation.h"

namespace Nx {

const char* DNAAminoTranslation::standardCodeTCAG() {
    // First base T, C, A, G in blocks of 16; second base in blocks of 4; third base innermost.
    return "FFLLSSSSYY**CC*W"
           "LLLLPPPPHHQQRRRR"
           "IIIMTTTTNNKKSSRR"
           "VVVVAAAADDEEGGGG";
}

DNAAminoTranslation::DNAAminoTranslation(const QString& id, const DNAAlphabet* srcAlphabet, const DNAAlphabet* dstAlphabet)
    : DNATranslation(id, QStringLiteral("Standard genetic code"), DNATranslationType::NucleotideToAmino, srcAlphabet,
                     dstAlphabet) {
    baseIndex.fill(-1);
    const char* order = "TCAG";
    for (int i = 0; i < 4; ++i) {
        baseIndex[static_cast<unsigned char>(order[i])] = static_cast<qint8>(i);
        baseIndex[static_cast<unsigned char>(order[i] + ('a' - 'A'))] = static_cast<qint8>(i);
    }
    baseIndex['U'] = 0;
    baseIndex['u'] = 0;
    const char* table = standardCodeTCAG();
    for (int i = 0; i < 64; ++i) {
        code[i] = table[i];
    }
}

char DNAAminoTranslation::translate3to1(char c1, char c2, char c3) const {
    int a = baseIndex[static_cast<unsigned char>(c1)];
    int b = baseIndex[static_cast<unsigned char>(c2)];
    int c = baseIndex[static_cast<unsigned char>(c3)];
    if (a < 0 || b < 0 || c < 0) {
        return 'X';
    }
    return code[a * 16 + b * 4 + c];
}

qint64 DNAAminoTranslation::translate(char* buffer, qint64 length) const {
    qint64 n = length / 3;
    for (qint64 i = 0; i < n; ++i) {
        // Reading 3i..3i+2 before writing i is safe: i < 3i for every i > 0.
        buffer[i] = translate3to1(buffer[3 * i], buffer[3 * i + 1], buffer[3 * i + 2]);
    }
    return n;
}

QByteArray DNAAminoTranslation::translateAll(const QByteArray& data) const {
    QByteArray result(data.size() / 3, '\0');
    for (int i = 0; i < result.size(); ++i) {
        result[i] = translate3to1(data[3 * i], data[3 * i + 1], data[3 * i + 2]);
    }
    return result;
}

}  // namespace Nx
