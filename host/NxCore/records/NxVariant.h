// Variations and variation tracks as stored in the variant table.
#pragma once

#include <NxCore/records/NxEntity.h>

namespace Nx {

// One variation. Positions are 0-based; endPos is exclusive and 0 when unset.
class NxVariant : public NxEntity {
public:
    qint64 startPos = 0;
    qint64 endPos = 0;
    QByteArray refData;  // reference allele
    QByteArray obsData;  // observed allele
    QString publicId;    // e.g. an rs identifier; empty when unknown

    // Region length: end - start, or 1 when the end is unset.
    qint64 regionLength() const { return endPos == 0 ? 1 : endPos - startPos; }
    bool isSingleBase() const { return endPos == 0 || endPos - startPos <= 1; }
};

// The usual one-base alleles as static arrays, which copy, share and free without touching the
// heap or a reference count; an empty array for any other byte.
inline QByteArray staticOneBaseAllele(char base) {
    switch (base) {
        case 'A': return QByteArrayLiteral("A");
        case 'C': return QByteArrayLiteral("C");
        case 'G': return QByteArrayLiteral("G");
        case 'T': return QByteArrayLiteral("T");
        case 'N': return QByteArrayLiteral("N");
        case 'a': return QByteArrayLiteral("a");
        case 'c': return QByteArrayLiteral("c");
        case 'g': return QByteArrayLiteral("g");
        case 't': return QByteArrayLiteral("t");
        case 'n': return QByteArrayLiteral("n");
        default: return QByteArray();
    }
}

// The variations of one chromosome (one per chromosome per imported file).
class NxVariantTrack : public NxObject {
public:
    NxDataType getType() const override { return NxObjectTypes::VariantTrack; }

    NxDataId sequence;     // sequence identifier in a reference database; may be empty
    QString sequenceName;  // chromosome name as written in the input
};

}  // namespace Nx
