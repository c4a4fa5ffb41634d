// Builds the demo chromosomes: sequence and transcripts together, so that every annotation
// fits its bases (ATG at each CDS start, one stop codon at its end and none before, GT..AG introns,
// TATA boxes about 30 bases before some transcription starts).
//
// Each chromosome is laid out left to right:
//  1. a short run of N (an assembly gap, as at real chromosome ends), then random sequence;
//  2. gene loci separated by intergenic stretches of 2.5-6 kb; a locus is built 5' to 3' in
//     transcript orientation (promoter, exons and introns) and reverse-complemented for the minus
//     strand;
//  3. special arrangements: a tail-to-tail pair of coding genes sharing 60 bases of 3' UTR, a
//     gene with a second transcript that skips its UTR-only first exon, an antisense lncRNA over a
//     coding exon, an lncRNA nested in an intron, stand-alone lncRNA genes and one gene named "FR...";
//  4. segmental duplications and conserved regions over chosen exons, promoters and gaps.
#pragma once

#include "DemoModel.h"
#include "DemoRandom.h"

namespace Nx {

class DemoGenomeBuilder {
public:
    // How densely genes are laid out. The defaults give the small demo genome; a benchmark asks for
    // more genes and longer intergenic stretches to get a human-like density over tens of megabases.
    struct Layout {
        int codingGenesPerChromosome = 16;  // coding loci per chromosome (the special arrangements use the first 14)
        int intergenicMin = 2500;           // length of the stretch before each coding locus, uniform in [min, max)
        int intergenicMax = 6000;
    };

    explicit DemoGenomeBuilder(DemoRandom& random) : rnd(random) {}
    DemoGenomeBuilder(DemoRandom& random, const Layout& layout) : rnd(random), layout(layout) {}

    // The chromosomes "chr7" and "chr17" with their genes and special regions.
    QVector<DemoChromosome> build();

private:
    struct Blueprint {
        bool coding = true;
        int exonCount = 4;
        int codons = 200;       // sense codons after ATG, before the stop
        int utr5 = 100;
        int utr3 = 200;
        bool utrOnlyFirstExon = false;
        bool longLastExon = false;  // the last exon holds the whole 3' UTR and some CDS
        bool tata = false;
    };
    // A locus in transcript orientation: promoter then gene body; regions relative to its start.
    struct Locus {
        QByteArray sequence;
        QVector<NxRegion> exons;  // transcript order = ascending in the locus
        NxRegion cds;             // empty for non-coding
        qint64 tata = -1;         // start of the TATA box, -1 when none
        bool utrOnlyFirstExon = false;
    };

    Blueprint randomBlueprint(bool coding);
    Locus buildLocus(const Blueprint& b);
    QByteArray randomSequence(int length);
    QByteArray codingSequence(int senseCodons);
    QByteArray intron(int length);
    QVector<int> exonCuts(const Blueprint& b, int mrnaLength, int cdsStart, int cdsEnd);

    // Appends the locus to the chromosome (reverse-complemented when reverse), the first `overlap`
    // bases laid over the chromosome's last bases instead of after them; returns the transcript.
    DemoTranscript place(DemoChromosome& chr, const Locus& locus, bool reverse, int overlap);
    void addIntergenic(DemoChromosome& chr, int length);
    void buildChromosome(DemoChromosome& chr, int chromosomeIndex);
    void addSpecialRegions(DemoChromosome& chr);
    QString nextGeneId();
    QString nextTranscriptId();

    DemoRandom& rnd;
    Layout layout;
    int geneCounter = 0;
    int transcriptCounter = 0;
    int nameCounter = 0;
};

}  // namespace Nx
