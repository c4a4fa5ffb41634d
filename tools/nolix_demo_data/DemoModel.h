// What the demo generator makes, before it is written out: chromosomes with their sequence and
// transcripts, special regions, known mutations and the VCF records of the demo.
// All positions are 0-based and regions half-open; the writers turn them into 1-based text.
#pragma once

#include <NxCore/records/NxRegion.h>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVector>

namespace Nx {

struct DemoTranscript {
    QString geneId;                 // e.g. ENSG90000000001 (written with a "gene:" prefix)
    QString transcriptId;           // e.g. ENST90000000001 (written with a "transcript:" prefix)
    QString geneName;
    bool coding = true;             // protein_coding, else lncRNA
    bool reverse = false;           // on the minus strand
    QVector<NxRegion> exons;        // ascending genomic order
    NxRegion cds;                   // genomic span of the CDS, start and stop codon included; empty when non-coding
    qint64 tataStart = -1;          // first base of a TATA box in the promoter, -1 when none
    bool utrOnlyFirstExon = false;  // the transcript's first exon holds no coding base
    bool hasMatrix = false;         // a damage-effect matrix is written for it
    QString altName;                // gene-info columns; written when any is set
    QString accession;
    QString disease;
    bool infoByTranscript = false;  // the gene-info row is keyed by transcript id, not gene name
    QString tags;                   // GFF3 tag list, e.g. "basic,Ensembl_canonical,MANE_Select"; empty: none
    QString ccdsId;                 // GFF3 ccdsid; empty: none

    NxRegion span() const { return NxRegion(exons.first().startPos, exons.last().endPos() - exons.first().startPos); }
    // Genomic position of the first transcribed base.
    qint64 tss() const { return reverse ? span().endPos() - 1 : span().startPos; }
    // CDS parts in ascending order.
    QVector<NxRegion> cdsParts() const;
};

struct DemoChromosome {
    QString name;
    QByteArray sequence;                  // upper case
    QVector<DemoTranscript> transcripts;  // sorted by start
    QVector<NxRegion> segmentalDuplications;
    QVector<NxRegion> conservedRegions;
};

// Scores of a known mutation in the VCF's INFO key order; NaN = key left out.
static const int DEMO_SCORE_COUNT = 13;

struct DemoKnownMutation {
    int chromosome = 0;  // index into the genome's chromosomes
    qint64 position = 0;
    QByteArray ref;
    QByteArray alt;
    QByteArray id;       // "rs..." or empty
    double scores[DEMO_SCORE_COUNT];
};

struct DemoVariant {
    int chromosome = 0;
    qint64 position = 0;
    QByteArray ref;
    QList<QByteArray> alts;
    QByteArray label;  // location class the record was placed in; empty for random records
    QByteArray id;     // public identifier ("rs..."), empty when the record has none

    bool operator<(const DemoVariant& o) const;
    bool operator==(const DemoVariant& o) const;
};

struct DemoGenome {
    QVector<DemoChromosome> chromosomes;
    QVector<DemoKnownMutation> knownMutations;
    QVector<DemoVariant> variants;
};

}  // namespace Nx
