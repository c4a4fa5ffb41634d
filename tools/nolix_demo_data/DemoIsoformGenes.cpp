#include "DemoIsoformGenes.h"

#include "DemoBases.h"
#include "DemoRandom.h"

#include <algorithm>

namespace Nx {

const char* const DemoIsoformGenes::NAMES[2] = {"NXISO1", "NXISO2"};

namespace {

const int GAP = 2000;          // random bases before and after each locus
const int EXON_A = 120;        // alternative first exon, all 5' UTR
const int EXON_B = 150;        // first exon of 201, all 5' UTR
const int UTR5_EXON2 = 60;     // 5' UTR bases of exon 2 before the ATG
const int CODONS_EXON2 = 40;   // ATG and 39 codons
const int CODONS_C = 20;       // cassette exon
const int CODONS_EXON3 = 50;   // whole codons of exon 3; two bases of the next one follow
const int SECOND_ATG = 10;     // codon of exon 3 (0-based) made ATG: the start of 204
const int CODONS_EXON4 = 60;   // after the split codon, before the stop
const int UTR3 = 200;

class LocusWriter {
public:
    explicit LocusWriter(DemoRandom& rnd) : rnd(rnd) {}

    NxRegion random(int n) {
        const qint64 start = seq.size();
        for (int i = 0; i < n; ++i) {
            seq += rnd.base();
        }
        return NxRegion(start, n);
    }
    QByteArray senseCodon() {
        static const QList<QByteArray> stops{"TAA", "TAG", "TGA"};
        QByteArray c;
        do {
            c = QByteArray(1, rnd.base()) + rnd.base() + rnd.base();
        } while (stops.contains(c));
        return c;
    }
    NxRegion codons(int n, int atgAt = -1) {
        const qint64 start = seq.size();
        for (int i = 0; i < n; ++i) {
            seq += i == atgAt ? QByteArray("ATG") : senseCodon();
        }
        return NxRegion(start, 3 * n);
    }
    // GT.. then a polypyrimidine tract and CAG, as the generated genes have.
    void intron(int n) {
        seq += "GTAAGT";
        random(n - 6 - 15);
        for (int i = 0; i < 12; ++i) {
            seq += rnd.chance(0.5) ? 'C' : 'T';
        }
        seq += "CAG";
    }

    DemoRandom& rnd;
    QByteArray seq;
};

NxRegion span(const NxRegion& a, const NxRegion& b) {
    const qint64 s = std::min(a.startPos, b.startPos);
    return NxRegion(s, std::max(a.endPos(), b.endPos()) - s);
}

void addRecord(DemoGenome& genome, int chr, qint64 pos, DemoRandom& rnd, const char* label) {
    DemoVariant v;
    v.chromosome = chr;
    v.position = pos;
    v.ref = QByteArray(1, genome.chromosomes[chr].sequence[int(pos)]);
    v.alts = {QByteArray(1, rnd.otherBase(v.ref[0]))};
    v.label = label;
    genome.variants.append(v);
}

void addGene(DemoGenome& genome, DemoRandom& rnd, int gene) {
    const bool reverse = gene == 0;
    LocusWriter w(rnd);
    // The locus in transcript orientation; regions relative to its start.
    w.random(GAP);
    const NxRegion a = w.random(EXON_A);
    w.intron(int(rnd.range(350, 450)));
    const NxRegion b = w.random(EXON_B);
    w.intron(int(rnd.range(450, 550)));
    const NxRegion utr5 = w.random(UTR5_EXON2);
    w.seq += "ATG";
    const NxRegion exon2 = span(utr5, w.codons(CODONS_EXON2 - 1));
    w.intron(int(rnd.range(250, 350)));
    const NxRegion c = w.codons(CODONS_C);
    w.intron(int(rnd.range(250, 350)));
    const NxRegion coding3 = w.codons(CODONS_EXON3, SECOND_ATG);
    const QByteArray split = w.senseCodon();
    w.seq += split.left(2);
    const NxRegion exon3(coding3.startPos, coding3.length + 2);
    w.intron(int(rnd.range(300, 400)));
    const qint64 exon4Start = w.seq.size();
    w.seq += split.mid(2);
    w.codons(CODONS_EXON4);
    static const char* stops[] = {"TAA", "TAG", "TGA"};
    w.seq += stops[rnd.below(3)];
    const qint64 cdsEnd = w.seq.size();
    w.random(UTR3);
    const NxRegion exon4(exon4Start, w.seq.size() - exon4Start);
    w.random(GAP);

    DemoChromosome& chr = genome.chromosomes.last();
    const qint64 offset = chr.sequence.size();
    const qint64 length = w.seq.size();
    if (reverse) {
        QByteArray rc(int(length), 'N');
        for (int i = 0; i < length; ++i) {
            rc[int(length - 1 - i)] = complementBase(w.seq[i]);
        }
        chr.sequence += rc;
    } else {
        chr.sequence += w.seq;
    }
    auto place = [&](const NxRegion& r) {
        return reverse ? NxRegion(offset + length - r.endPos(), r.length) : NxRegion(offset + r.startPos, r.length);
    };
    auto transcript = [&](int isoform, const QVector<NxRegion>& exons, qint64 cdsStart) {
        DemoTranscript t;
        t.geneId = QString("ENSG7%1").arg(gene + 1, 10, 10, QChar('0'));
        t.transcriptId = QString("ENST7%1").arg(10 * (gene + 1) + isoform, 10, 10, QChar('0'));
        t.geneName = DemoIsoformGenes::NAMES[gene];
        t.reverse = reverse;
        for (const NxRegion& e : exons) {
            t.exons << place(e);
        }
        std::sort(t.exons.begin(), t.exons.end());
        t.cds = place(NxRegion(cdsStart, cdsEnd - cdsStart));
        t.tags = "basic";
        return t;
    };
    const qint64 atg = exon2.startPos + UTR5_EXON2;
    QVector<DemoTranscript> ts{
        transcript(1, {b, exon2, exon3, exon4}, atg),
        transcript(2, {a, exon2, exon3, exon4}, atg),
        transcript(3, {b, exon2, c, exon3, exon4}, atg),
        transcript(4, {b, exon2, exon3, exon4}, coding3.startPos + 3 * SECOND_ATG),
    };
    ts[0].hasMatrix = true;
    ts[2].hasMatrix = true;
    if (gene == 0) {
        ts[0].tags = "basic,Ensembl_canonical,MANE_Select";
        ts[0].ccdsId = "CCDS90001.1";
        ts[2].ccdsId = "CCDS90002.1";
        ts[0].altName = "Demo isoform protein 1";
        ts[0].accession = "9NXI";
        ts[0].disease = "Demo isoform syndrome";
    }
    for (const DemoTranscript& t : ts) {
        chr.transcripts.append(t);
    }

    // Records: exon A, exon C, coding exon 2, exon 3 before and after the second ATG.
    const int chrIndex = genome.chromosomes.size() - 1;
    auto at = [&](qint64 locusPos) { return place(NxRegion(locusPos, 1)).startPos; };
    addRecord(genome, chrIndex, at(a.startPos + EXON_A / 2), rnd, "isoform_alt_first_exon");
    addRecord(genome, chrIndex, at(c.startPos + 3 * (CODONS_C / 2) + 1), rnd, "isoform_cassette_exon");
    addRecord(genome, chrIndex, at(atg + 3 * 20 + 2), rnd, "isoform_coding");
    addRecord(genome, chrIndex, at(coding3.startPos + 3 * 4), rnd, "isoform_coding");
    addRecord(genome, chrIndex, at(coding3.startPos + 3 * (SECOND_ATG + 5) + 1), rnd, "isoform_coding_start");
}

}  // namespace

void DemoIsoformGenes::add(DemoGenome& genome, quint64 seed) {
    DemoRandom rnd(seed ^ 0x5851f42d4c957f2dULL);
    addGene(genome, rnd, 0);
    addGene(genome, rnd, 1);
    std::stable_sort(genome.variants.begin(), genome.variants.end());
}

}  // namespace Nx
