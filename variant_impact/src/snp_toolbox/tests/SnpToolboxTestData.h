// A small reference database and workflow database built through the real SQLite tables, shared
// by the evaluator, task and worker tests. The reference holds one chromosome "chr1" of
// SEQUENCE_LENGTH bases, a few transcripts with hand-placed codons, damage matrices, special
// regions and known mutations; every position a test relies on is named below.
#pragma once

#include <NxCore/records/NxDbiRef.h>
#include <NxCore/records/NxVariant.h>

#include <QList>
#include <QString>
#include <QTemporaryDir>

namespace Nx {

class NxOpStatus;

namespace SnpToolboxTestData {

const qint64 SEQUENCE_LENGTH = 4000;

// Forward coding transcript "GENE_FWD": span [100, 400), exons [100, 180) and [250, 400), coding
// region [120, 300); codon 0 = 120..122 "ATG" (M), codon 1 = 123..125 "CTG" (L), codon 2 =
// 126..128 "GAA" (E). Its matrix has 40 rows; row r, column c holds r + c / 100.
const qint64 FWD_CODON0 = 120;
const int FWD_MATRIX_ROWS = 40;
// Non-coding single-exon transcript "GENE_OVL" over [110, 200): overlaps GENE_FWD.
// Reverse coding transcript "GENE_REV": span and single exon [1000, 1300), coding [1030, 1270);
// codon 0 = genomic 1267..1269 "CAT" (mRNA ATG), codon 1 = genomic 1264..1266 "CCA" (mRNA TGG, W).
// No damage matrix.
const qint64 REV_CODON1_START = 1264;
// Forward coding transcript "GENE_NEG" [2000, 2300), coding [2010, 2290), "DEAttribute_len" -1.
const qint64 NEG_CDS_POS = 2011;
// Special regions: "SD" [115, 125), "CR" [100, 122).
// Nothing at all in [2400, 3000).
const qint64 NO_GENE_POS = 2600;

// Chromosome "chr2" (2000 bases) for the promoter windows around position 200, non-coding
// single-exon transcripts: reverse "LEFT_REV" [20, 60), forward "LEFT_FWD" [100, 150), reverse
// "RIGHT_REV" [500, 700), forward "RIGHT_FWD" [900, 1100), forward "FAR_FWD" [1300, 1400).
const qint64 PROMOTER_TEST_POS = 200;

// Known mutations on chromosome 1, in this insertion order:
//   121 T>G "rs121g" (listed first, so allele matching must skip it)
//   121 T>C "rs121"  scores 0.11 .. 0.20 (avSift .. gerpScore, see the .cpp)
//   125 G>A ""       (no identifier)
//   130 AA>GT "rs130" (two bases)
//   2600 c>t "rs2600" (lower case: does not match C>T)
const qint64 KNOWN_POS = 121;

// The two database files in a fresh temporary folder.
class Databases {
public:
    Databases();
    bool isValid() const { return dir.isValid(); }

    // Writes the reference database above; false and an error on failure.
    bool buildReference(NxOpStatus& os);
    // A track "chr1" in the workflow database with these variations (their ids are set).
    NxVariantTrack addTrack(QList<NxVariant>& variants, NxOpStatus& os, const QString& sequenceName = "chr1");

    QString referencePath;
    QString sessionPath;
    NxDbiRef referenceRef;
    NxDbiRef sessionRef;

private:
    QTemporaryDir dir;
};

// The QCoreApplication that task runs need; made once per test program.
void ensureApplication();
// The application, its context and the reference database of dbs, as a test's set-up needs them;
// false and an error on failure.
bool startWithReference(Databases& dbs, NxOpStatus& os);

// A variation of one base (end = start + 1, as the importer writes it).
NxVariant snv(qint64 pos, char ref, char obs);
// Variations at every base of a test chromosome (chr1 with its own reference bases), a second one
// at every seventh and a two-base one at every 101st: genes of both strands, introns, splice
// sites, promoters, known mutations and empty stretches, with equal positions.
QList<NxVariant> everyPosition(const QString& chr, qint64 length);
// The mRNA codon at a forward codon start, as placed in the sequence (for readable expectations).
QByteArray sequenceAt(qint64 start, int length);

}  // namespace SnpToolboxTestData
}  // namespace Nx
