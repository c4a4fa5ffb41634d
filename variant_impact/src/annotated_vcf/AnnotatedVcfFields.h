// The INFO fields the annotated VCF adds to each record, their header lines, and how one entry is
// assembled. Every field holds one entry per annotation, entries separated by ",", the parts of
// an entry by "|" in the order its header Description gives (the layout of the peers'
// consequence fields). The first part of every entry is the ALT allele it is about, so that a
// multi-allelic record keeps one record. A field is absent when the record has no entry for it.
//
//   NXCSQ     Allele|Gene|Transcript|Consequence|Codon|AminoAcidChange|SIFT|SIFTscore|TSSDistance
//             one entry per transcript the allele lies in, or per promoter it lies in when it is
//             in no transcript (Consequence upstream_gene_variant)
//   NXKNOWN   Allele|ID|SIFT|LRT|PhyloP|PolyPhen2|MutationTaster|G1000AF|SegmentalDup|
//             ConservedRegion|AltAlleleFreq|HapMap|GERP      the known mutation at the allele
//   NXSTAB1D, NXSTAB3D, NXPDBSITE   Allele|Transcript|Answer  per transcript hit
//   NXTATA                          Allele|Transcript|Answer  per promoter
//   NXRSNP, NXCHIP                  Allele|Answer             per allele
//
// Texts are percent-encoded where the VCF format gives a character a meaning, plus the two
// separators of an entry: "%" ";" "=" "," space, tab, CR, LF, "|" and "&".
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace Nx {

class Gene;

namespace AnnotatedVcfFields {

inline const char CONSEQUENCE[] = "NXCSQ";
inline const char KNOWN[] = "NXKNOWN";
inline const char STABILITY_1D[] = "NXSTAB1D";
inline const char STABILITY_3D[] = "NXSTAB3D";
inline const char PDB_SITE[] = "NXPDBSITE";
inline const char TATA[] = "NXTATA";
inline const char RSNP[] = "NXRSNP";
inline const char CHIP[] = "NXCHIP";

// Every added field, in the order of the header lines.
QList<QByteArray> fieldIds();
// The "##INFO=<...>" line of a field (without a line feed); empty for an unknown id.
QByteArray headerLine(const QByteArray& id);

// The text with every reserved character percent-encoded (upper-case hex).
QString escape(const QString& text);
// The inverse of escape: "%XX" becomes the byte XX (as UTF-8 text).
QString unescape(const QString& text);
// One entry: the parts escaped and joined by "|".
QString entry(const QStringList& parts);
// The same entry appended as UTF-8 (without a text in between).
void appendEntry(const QStringList& parts, QByteArray& out);

// The Sequence Ontology term(s) of a variation in a transcript, from the in-gene report's
// Location and Substitution cells and the lengths of REF and ALT: "missense_variant",
// "intron_variant", "frameshift_variant", "synonymous_variant&splice_region_variant", ... Terms
// joined by "&".
QString consequence(const QString& location, const QString& substitution, bool codingGene, int refLength,
                    int altLength);

}  // namespace AnnotatedVcfFields
}  // namespace Nx
