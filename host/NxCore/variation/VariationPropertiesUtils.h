// What a variation does to a transcript: where it lies (CDS, splice site, intron, promoter
// distance), which codon it hits and what that codon and its amino acid become.
//
// Conventions shared by every function:
//  - positions are 0-based genomic positions; regions are half-open;
//  - a gene is one transcript; its exons are ascending on both strands; its CDS parts are the
//    exons clipped to its coding region; "transcript order" runs 5' to 3' of the transcript, i.e.
//    descending genomic positions on the reverse strand;
//  - a codon start (codonStart) is a CDS offset: the number of coding bases, in transcript order,
//    before the codon's first base (codon i starts at offset 3i);
//  - codons handed out are upper case, in transcript order, NOT complemented: on the reverse strand
//    the caller complements them (base by base) to get the codon of the mRNA.
#pragma once

#include <NxCore/records/Gene.h>
#include <NxCore/records/NxVariant.h>

#include <QByteArray>
#include <QPair>
#include <QVector>

namespace Nx {

class DNATranslation;
class NxDbi;
class NxOpStatus;
class NxSequenceDbi;
class SequenceQueryCache;

class VariationPropertiesUtils {
public:
    // True when the variation region overlaps a CDS part of a coding gene (where it can change the protein).
    static bool isDamageProtein(const NxVariant& variant, const Gene& gene);

    // For the variation's start position in the coding sequence: codonStart (CDS offset of the
    // codon's first base), codonIndex (0-based amino-acid position, the damage-matrix row) and
    // posInCodon (0..2, in transcript order). False, outputs untouched, when the start is not a base
    // of a complete codon of the gene's coding sequence.
    static bool getFrameStartPositionsForCoding(qint64& codonStart, int& codonIndex, int& posInCodon,
                                                const NxVariant& variant, const Gene& gene);

    // The three reference bases of the codon at codonStart, in transcript order, not complemented,
    // joined across an exon junction when the codon is split; empty and an error in os on failure.
    static QByteArray getDamagedTriplet(const Gene& gene, qint64 codonStart, const NxDataId& sequenceId,
                                        NxSequenceDbi* sequenceDbi, NxOpStatus& os);
    // The same, read through the sequence cache (which must be set to the gene's sequence).
    static QByteArray getDamagedTripletBufferedSeq(const Gene& gene, qint64 codonStart, SequenceQueryCache& cache,
                                                   NxOpStatus& os);

    // The codon (3 bases, mRNA orientation) with the observed allele put in at posInCodon. With a
    // complement translation (reverse-strand gene) the allele is reverse-complemented first. An
    // equal-length multi-base substitution replaces the bases it covers when they all lie in the codon.
    // Empty when the change is no substitution inside this codon (an indel, or a codon that is not 3 bases).
    static QByteArray varyTriplet(const QByteArray& codon, const NxVariant& variant, int posInCodon,
                                  const DNATranslation* complement);

    // True when position lies within `width` bases on either side of an internal exon boundary
    // (2 * width positions per boundary: `width` before it, `width` from it on); the transcript's
    // outer ends are no splice sites. The strand does not change the answer (exons may be in any order).
    static bool isInSpliceSite(const QVector<NxRegion>& exons, qint64 position, int width, bool complemented);

    // The intron (gap between consecutive exons) holding position, or noRegion() when position lies
    // in an exon, before the first or after the last exon, or outside geneRegion (when not empty).
    // When position is within 2 bases of the intron's ends, nearestExon becomes the exon on that side
    // and donor is set as seen on the forward strand (true next to the exon before the intron, false
    // next to the one after it); otherwise both stay as they were.
    static NxRegion getIntron(const NxRegion& geneRegion, const QVector<NxRegion>& exons, qint64 position,
                              NxRegion& nearestExon, bool& donor);
    // The no-region marker (start 0, length 2^63 - 1).
    static NxRegion noRegion();

    // Score of aminoAcid at the 0-based aminoAcidPosition of a damage-effect matrix (DamageMatrix
    // encoding); -1 when the matrix has no such score.
    static float getDEffectValue(char aminoAcid, int aminoAcidPosition, const QByteArray& matrix, int matrixLength);

    // (reference amino acid, varied amino acid) as one-letter texts ('*' stop) of the codon the
    // variation hits in this gene, read from the database's sequence table; aminoAcidPosition gets the
    // 0-based codon index. The pair is returned for synonymous changes too. Empty texts and position -1
    // when the variation changes no codon base by substitution; an error in os when reading fails.
    static QPair<QByteArray, QByteArray> getAASubstitution(NxDbi* database, const Gene& gene,
                                                           const NxDataId& sequenceId, const NxVariant& variant,
                                                           int& aminoAcidPosition, NxOpStatus& os);

    // The gene's coding sequence in transcript order (reverse-complemented on the reverse strand),
    // upper case, stop codon included when annotated; empty and an error in os when reading fails.
    static QByteArray getCodingSequence(const Gene& gene, const NxDataId& sequenceId, NxSequenceDbi* sequenceDbi,
                                        NxOpStatus& os);
    // Protein of a coding sequence by the standard genetic code: one letter per complete codon,
    // 'X' for ambiguous codons, a final stop codon left out (an internal one shows as '*').
    static QByteArray getAASequence(const QByteArray& codingSequence);

    // Distance in bases from the variation's start upstream to the gene's transcription start (its
    // 5' end): 0 at the start itself, 1 for the base just before it. -1 when the variation lies
    // downstream of the transcription start or the gene has no region.
    static qint64 positionFromTranscriptionStart(const Gene& gene, const NxVariant& variant);
};

}  // namespace Nx
