#include "VariationPropertiesUtils.h"

#include "CdsLayout.h"
#include "DamageMatrix.h"
#include "SequenceQueryCache.h"

#include <NxCore/biology/DNAAminoTranslation.h>
#include <NxCore/biology/DNAComplementTranslation.h>
#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/NxDbi.h>
#include <NxCore/dbi/NxSequenceDbi.h>

#include <QCoreApplication>

#include <algorithm>
#include <limits>

namespace Nx {

namespace {

const DNAComplementTranslation& complementTranslation() {
    static const DNAComplementTranslation t(QStringLiteral("variation:complement"), nullptr);
    return t;
}

const DNAAminoTranslation& standardCode() {
    static const DNAAminoTranslation t(QStringLiteral("variation:standard-code"), nullptr, nullptr);
    return t;
}

QString tr(const char* text) {
    return QCoreApplication::translate("Nx::VariationPropertiesUtils", text);
}

// Overlap as the location analysis tests it: a region of length 0 meets G only strictly inside G.
bool meets(const NxRegion& g, const NxRegion& v) {
    qint64 d = g.startPos - v.startPos;
    return d >= 0 ? d < v.length : -d < g.length;
}

NxRegion variantRegion(const NxVariant& v) {
    return NxRegion(v.startPos, v.regionLength());
}

// Reads the codon at codonStart with read(region) -> bases; genomic pieces of the codon are read
// once each (one read unless the codon is split by an intron).
template <class Reader>
QByteArray readTriplet(const Gene& gene, qint64 codonStart, NxOpStatus& os, Reader read) {
    CdsLayout cds(gene);
    qint64 pos[3];
    for (int i = 0; i < 3; ++i) {
        pos[i] = cds.positionAt(codonStart + i);
        if (pos[i] < 0 || codonStart < 0 || codonStart % 3 != 0) {
            os.setError(tr("No codon at coding offset %1 of transcript %2 (%3 coding bases)")
                            .arg(codonStart)
                            .arg(QString::fromLatin1(gene.getFeatureId()))
                            .arg(cds.length()));
            return QByteArray();
        }
    }
    QByteArray codon;
    const int step = cds.isReverse() ? -1 : 1;
    int i = 0;
    while (i < 3) {
        // Extend the piece while the next codon base is the next genomic base in transcript order.
        int j = i;
        while (j + 1 < 3 && pos[j + 1] == pos[j] + step) {
            ++j;
        }
        qint64 lo = std::min(pos[i], pos[j]);
        int n = j - i + 1;
        QByteArray piece = read(NxRegion(lo, n));
        if (os.isCoR()) {
            return QByteArray();
        }
        if (piece.size() != n) {
            os.setError(tr("Sequence too short for the codon of transcript %1 at position %2")
                            .arg(QString::fromLatin1(gene.getFeatureId()))
                            .arg(lo + 1));
            return QByteArray();
        }
        if (cds.isReverse()) {
            std::reverse(piece.begin(), piece.end());
        }
        codon.append(piece);
        i = j + 1;
    }
    return codon.toUpper();
}

}  // namespace

bool VariationPropertiesUtils::isDamageProtein(const NxVariant& variant, const Gene& gene) {
    if (!gene.isCoding()) {
        return false;
    }
    CdsLayout cds(gene);
    NxRegion v = variantRegion(variant);
    for (int i = 0; i < cds.partCount(); ++i) {
        if (meets(cds.part(i), v)) {
            return true;
        }
    }
    return false;
}

bool VariationPropertiesUtils::getFrameStartPositionsForCoding(qint64& codonStart, int& codonIndex, int& posInCodon,
                                                               const NxVariant& variant, const Gene& gene) {
    CdsLayout cds(gene);
    qint64 offset = cds.offsetOf(variant.startPos);
    if (offset < 0 || offset / 3 >= cds.codonCount()) {
        return false;
    }
    codonIndex = static_cast<int>(offset / 3);
    posInCodon = static_cast<int>(offset % 3);
    codonStart = offset - posInCodon;
    return true;
}

QByteArray VariationPropertiesUtils::getDamagedTriplet(const Gene& gene, qint64 codonStart, const NxDataId& sequenceId,
                                                       NxSequenceDbi* sequenceDbi, NxOpStatus& os) {
    if (sequenceDbi == nullptr) {
        os.setError(tr("No sequence table to read the codon of transcript %1 from")
                        .arg(QString::fromLatin1(gene.getFeatureId())));
        return QByteArray();
    }
    return readTriplet(gene, codonStart, os, [&](const NxRegion& r) {
        return sequenceDbi->getSequenceData(sequenceId, r, os);
    });
}

QByteArray VariationPropertiesUtils::getDamagedTripletBufferedSeq(const Gene& gene, qint64 codonStart,
                                                                  SequenceQueryCache& cache, NxOpStatus& os) {
    return readTriplet(gene, codonStart, os, [&](const NxRegion& r) { return cache.getSequence(r, os); });
}

QByteArray VariationPropertiesUtils::varyTriplet(const QByteArray& codon, const NxVariant& variant, int posInCodon,
                                                 const DNATranslation* complement) {
    const QByteArray& obs = variant.obsData;
    const QByteArray& ref = variant.refData;
    if (codon.size() != 3 || posInCodon < 0 || posInCodon > 2 || obs.isEmpty()) {
        return QByteArray();
    }
    if (!ref.isEmpty() && ref.size() != obs.size()) {
        return QByteArray();
    }
    QByteArray allele = obs.toUpper();
    int first = posInCodon;
    if (complement != nullptr) {
        // The variation's start is its last base in transcript order.
        std::reverse(allele.begin(), allele.end());
        complement->translate(allele.data(), allele.size());
        first = posInCodon - (allele.size() - 1);
    }
    if (first < 0 || first + allele.size() > 3) {
        return QByteArray();
    }
    QByteArray result = codon;
    for (int i = 0; i < allele.size(); ++i) {
        result[first + i] = allele[i];
    }
    return result;
}

bool VariationPropertiesUtils::isInSpliceSite(const QVector<NxRegion>& exons, qint64 position, int width,
                                              bool complemented) {
    Q_UNUSED(complemented);
    if (width <= 0 || exons.size() < 2) {
        return false;
    }
    QVector<NxRegion> sorted = exons;
    std::sort(sorted.begin(), sorted.end());
    const int n = sorted.size();
    for (int i = 0; i < n; ++i) {
        qint64 s = sorted[i].startPos;
        qint64 e = sorted[i].endPos();
        if (i > 0 && s - width <= position && position < s + width) {
            return true;
        }
        if (i < n - 1 && e - width <= position && position < e + width) {
            return true;
        }
    }
    return false;
}

NxRegion VariationPropertiesUtils::noRegion() {
    return NxRegion(0, std::numeric_limits<qint64>::max());
}

NxRegion VariationPropertiesUtils::getIntron(const NxRegion& geneRegion, const QVector<NxRegion>& exons,
                                             qint64 position, NxRegion& nearestExon, bool& donor) {
    const int siteWidth = 2;
    if (geneRegion.length > 0 && !geneRegion.contains(position)) {
        return noRegion();
    }
    QVector<NxRegion> sorted = exons;
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i + 1 < sorted.size(); ++i) {
        NxRegion intron(sorted[i].endPos(), sorted[i + 1].startPos - sorted[i].endPos());
        if (intron.length <= 0 || !intron.contains(position)) {
            continue;
        }
        if (position < intron.startPos + siteWidth) {
            nearestExon = sorted[i];
            donor = true;
        } else if (position >= intron.endPos() - siteWidth) {
            nearestExon = sorted[i + 1];
            donor = false;
        }
        return intron;
    }
    return noRegion();
}

float VariationPropertiesUtils::getDEffectValue(char aminoAcid, int aminoAcidPosition, const QByteArray& matrix,
                                                int matrixLength) {
    return DamageMatrix::score(aminoAcid, aminoAcidPosition, matrix, matrixLength);
}

QPair<QByteArray, QByteArray> VariationPropertiesUtils::getAASubstitution(NxDbi* database, const Gene& gene,
                                                                          const NxDataId& sequenceId,
                                                                          const NxVariant& variant,
                                                                          int& aminoAcidPosition, NxOpStatus& os) {
    aminoAcidPosition = -1;
    QPair<QByteArray, QByteArray> none;
    NxSequenceDbi* sequenceDbi = database == nullptr ? nullptr : database->getSequenceDbi();
    if (sequenceDbi == nullptr) {
        os.setError(tr("No sequence table in the reference database"));
        return none;
    }
    qint64 codonStart = 0;
    int codonIndex = 0;
    int posInCodon = -1;
    if (!isDamageProtein(variant, gene) ||
        !getFrameStartPositionsForCoding(codonStart, codonIndex, posInCodon, variant, gene)) {
        return none;
    }
    QByteArray codon = getDamagedTriplet(gene, codonStart, sequenceId, sequenceDbi, os);
    if (os.isCoR()) {
        return none;
    }
    const DNATranslation* complement = nullptr;
    if (gene.isComplemented()) {
        complement = &complementTranslation();
        complement->translate(codon.data(), codon.size());
    }
    QByteArray varied = varyTriplet(codon, variant, posInCodon, complement);
    if (varied.size() != 3) {
        return none;
    }
    const DNAAminoTranslation& code = standardCode();
    aminoAcidPosition = codonIndex;
    return qMakePair(QByteArray(1, code.translate3to1(codon[0], codon[1], codon[2])),
                     QByteArray(1, code.translate3to1(varied[0], varied[1], varied[2])));
}

QByteArray VariationPropertiesUtils::getCodingSequence(const Gene& gene, const NxDataId& sequenceId,
                                                       NxSequenceDbi* sequenceDbi, NxOpStatus& os) {
    if (sequenceDbi == nullptr) {
        os.setError(tr("No sequence table to read the coding sequence of transcript %1 from")
                        .arg(QString::fromLatin1(gene.getFeatureId())));
        return QByteArray();
    }
    CdsLayout cds(gene);
    QByteArray result;
    result.reserve(static_cast<int>(cds.length()));
    for (int i = 0; i < cds.partCount(); ++i) {
        const NxRegion& p = cds.part(i);
        QByteArray piece = sequenceDbi->getSequenceData(sequenceId, p, os);
        if (os.isCoR()) {
            return QByteArray();
        }
        if (piece.size() != p.length) {
            os.setError(tr("Sequence too short for the coding part %1..%2 of transcript %3")
                            .arg(p.startPos + 1)
                            .arg(p.endPos())
                            .arg(QString::fromLatin1(gene.getFeatureId())));
            return QByteArray();
        }
        result.append(cds.isReverse() ? complementTranslation().reverseComplement(piece) : piece);
    }
    return result.toUpper();
}

QByteArray VariationPropertiesUtils::getAASequence(const QByteArray& codingSequence) {
    QByteArray protein = standardCode().translateAll(codingSequence);
    if (protein.endsWith('*')) {
        protein.chop(1);
    }
    return protein;
}

qint64 VariationPropertiesUtils::positionFromTranscriptionStart(const Gene& gene, const NxVariant& variant) {
    const NxRegion& r = gene.getRegion();
    if (r.length <= 0) {
        return -1;
    }
    qint64 distance = gene.isComplemented() ? variant.startPos - (r.endPos() - 1) : r.startPos - variant.startPos;
    return distance >= 0 ? distance : -1;
}

}  // namespace Nx
