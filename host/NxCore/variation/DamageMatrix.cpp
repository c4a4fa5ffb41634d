#include "DamageMatrix.h"

#include <QtEndian>

#include <cstring>

namespace Nx {

int DamageMatrix::column(char aminoAcid) {
    char u = (aminoAcid >= 'a' && aminoAcid <= 'z') ? static_cast<char>(aminoAcid - 'a' + 'A') : aminoAcid;
    const char* p = u == 0 ? nullptr : std::strchr(aminoAcidOrder(), u);
    return p == nullptr ? -1 : static_cast<int>(p - aminoAcidOrder());
}

QByteArray DamageMatrix::encode(const QVector<std::array<float, AMINO_ACID_COUNT>>& rows) {
    QByteArray out(rows.size() * ROW_BYTES, Qt::Uninitialized);
    uchar* p = reinterpret_cast<uchar*>(out.data());
    for (const auto& row : rows) {
        for (float v : row) {
            qToLittleEndian<float>(v, p);
            p += 4;
        }
    }
    return out;
}

float DamageMatrix::score(char aminoAcid, int position, const QByteArray& matrix, int length) {
    int col = column(aminoAcid);
    if (col < 0 || position < 0 || position >= length) {
        return -1.0f;
    }
    if (static_cast<qint64>(matrix.size()) < static_cast<qint64>(length) * ROW_BYTES) {
        return -1.0f;
    }
    const uchar* p = reinterpret_cast<const uchar*>(matrix.constData()) +
                     static_cast<qint64>(position) * ROW_BYTES + col * 4;
    return qFromLittleEndian<float>(p);
}

}  // namespace Nx
