// The coding sequence of one transcript as a walk through its CDS parts in transcript order
// (ascending on the forward strand, descending on the reverse strand). CDS offset 0 is the first
// coding base in transcript order; the reference database already cuts the leading partial codon
// of an incomplete CDS off the coding region, so offset 0 always starts codon 0.
#pragma once

#include <NxCore/records/Gene.h>

#include <QVarLengthArray>

namespace Nx {

class CdsLayout {
public:
    // CDS parts = every exon clipped to the gene's coding region; a non-coding gene has none.
    explicit CdsLayout(const Gene& gene);

    bool isEmpty() const { return totalLength == 0; }
    bool isReverse() const { return reverse; }
    // Number of coding bases.
    qint64 length() const { return totalLength; }
    // Number of complete codons.
    qint64 codonCount() const { return totalLength / 3; }
    // CDS parts in transcript order.
    int partCount() const { return parts.size(); }
    const NxRegion& part(int i) const { return parts[i]; }

    // CDS offset of a genomic position, -1 when the position is not a coding base.
    qint64 offsetOf(qint64 position) const;
    // Genomic position of a CDS offset, -1 when the offset is outside 0..length()-1.
    qint64 positionAt(qint64 offset) const;

private:
    QVarLengthArray<NxRegion, 32> parts;  // transcript order, none empty
    qint64 totalLength = 0;
    bool reverse = false;
};

}  // namespace Nx
