// Places the known mutations and the demo VCF records so that every location class the annotation
// distinguishes is hit, and adds any number of random records for benchmarks.
//
// Per coding transcript: synonymous and missense SNVs at every codon position, every base of each
// codon split by an intron, start and stop codons, both UTRs and UTR-only exons, deep intron
// positions, the six positions around one donor and one acceptor boundary (four inside the splice
// window, one just outside on each side), the transcript's outer end, the promoter and its TATA box.
// Per chromosome: intergenic positions, multi-base records (MNP, deletions, insertion),
// multi-allelic records, positions shared by overlapping genes, and records that match known
// mutations exactly (or only by position).
#pragma once

#include "DemoModel.h"
#include "DemoRandom.h"

#include <NxCore/biology/DNAAminoTranslation.h>

namespace Nx {

// One random record kept compact, since benchmarks ask for millions: the alleles are derived from
// the sequence when written.
struct DemoRandomVariant {
    qint32 chromosome;
    quint8 kind;      // 0 SNV, 1 deletion, 2 insertion
    quint8 length;    // deleted or inserted bases
    char bases[3];    // SNV: alt in [0]; insertion: inserted bases
    qint64 position;  // 0-based first base of REF

    bool operator<(const DemoRandomVariant& o) const {
        return chromosome != o.chromosome ? chromosome < o.chromosome : position < o.position;
    }
};

class DemoVariantPlanner {
public:
    DemoVariantPlanner(DemoRandom& random, DemoGenome& genome);

    // Known mutations first, so that demo records can be placed on some of them.
    void planKnownMutations();
    void planLocationVariants();
    // Sorted, exact duplicates removed.
    void finish();
    // n random records, sorted by chromosome and position.
    QVector<DemoRandomVariant> randomVariants(qint64 n);

private:
    void planTranscript(int chr, const DemoTranscript& t);
    void planChromosome(int chr);
    void addSnv(int chr, qint64 pos, char alt, const char* label);
    void addRecord(int chr, qint64 pos, const QByteArray& ref, const QList<QByteArray>& alts, const char* label);
    // Genomic positions of the coding bases in transcript order.
    QVector<qint64> codingPositions(const DemoTranscript& t) const;
    QByteArray codonAt(int chr, const DemoTranscript& t, const QVector<qint64>& cds, int index) const;
    // An alt base at genomic position pos (a base of codon `index`) that keeps the amino acid when
    // synonymous is true, changes it otherwise; any other base when there is no such one.
    char chooseAlt(int chr, const DemoTranscript& t, const QVector<qint64>& cds, int index, int inCodon,
                   bool synonymous, QByteArray& label);
    bool nearAnyTranscript(int chr, qint64 pos, qint64 margin) const;
    void addKnown(int chr, qint64 pos, const QByteArray& ref, const QByteArray& alt);

    DemoRandom& rnd;
    DemoGenome& genome;
    DNAAminoTranslation code;
    int rsCounter = 990000000;
};

}  // namespace Nx
