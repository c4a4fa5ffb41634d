#include "DemoGenomeBuilder.h"

#include "DemoBases.h"

#include <algorithm>

namespace Nx {

namespace {

bool isStop(const char* c) {
    return c[0] == 'T' && ((c[1] == 'A' && (c[2] == 'A' || c[2] == 'G')) || (c[1] == 'G' && c[2] == 'A'));
}

const int PROMOTER_LENGTH = 800;
const int TATA_OFFSET = 31;  // the box starts this many bases before the transcription start
const int TAIL_OVERLAP = 60;

}  // namespace

QByteArray DemoGenomeBuilder::randomSequence(int length) {
    QByteArray s(length, 'N');
    for (int i = 0; i < length; ++i) {
        s[i] = rnd.base();
    }
    return s;
}

QByteArray DemoGenomeBuilder::codingSequence(int senseCodons) {
    QByteArray s("ATG");
    s.reserve(3 * senseCodons + 6);
    char c[3];
    for (int i = 0; i < senseCodons; ++i) {
        do {
            c[0] = rnd.base();
            c[1] = rnd.base();
            c[2] = rnd.base();
        } while (isStop(c));
        s.append(c, 3);
    }
    static const char* stops[] = {"TAA", "TAG", "TGA"};
    s.append(stops[rnd.below(3)]);
    return s;
}

QByteArray DemoGenomeBuilder::intron(int length) {
    // Donor GTRAGT, a polypyrimidine tract and CAG at the acceptor.
    QByteArray s = rnd.chance(0.5) ? QByteArray("GTAAGT") : QByteArray("GTGAGT");
    s.append(randomSequence(length - 6 - 15));
    for (int i = 0; i < 12; ++i) {
        s.append(rnd.chance(0.5) ? 'C' : 'T');
    }
    s.append("CAG");
    return s;
}

DemoGenomeBuilder::Blueprint DemoGenomeBuilder::randomBlueprint(bool coding) {
    Blueprint b;
    b.coding = coding;
    if (!coding) {
        b.exonCount = int(rnd.range(1, 3));
        b.codons = 0;
        b.utr5 = int(rnd.range(400, 1400));
        b.utr3 = 0;
        b.tata = rnd.chance(0.3);
        return b;
    }
    b.exonCount = int(rnd.range(3, 8));
    b.codons = int(rnd.range(80, 320));
    b.utrOnlyFirstExon = rnd.chance(0.25);
    b.utr5 = b.utrOnlyFirstExon ? int(rnd.range(150, 260)) : int(rnd.range(40, 220));
    b.utr3 = int(rnd.range(80, 500));
    b.tata = rnd.chance(0.5);
    return b;
}

QVector<int> DemoGenomeBuilder::exonCuts(const Blueprint& b, int mrnaLength, int cdsStart, int cdsEnd) {
    const int minExon = 50;
    int hi = mrnaLength - minExon;
    if (b.longLastExon && b.coding) {
        hi = std::min(hi, cdsEnd - 30);
    }
    int lo = minExon;
    QVector<int> fixed;
    if (b.utrOnlyFirstExon && b.coding) {
        int first = int(rnd.range(30, cdsStart - 10));
        fixed.append(first);
        lo = first + minExon;
    }
    int wanted = b.exonCount - 1 - fixed.size();
    for (; wanted > 0; --wanted) {
        for (int attempt = 0; attempt < 200; ++attempt) {
            if (hi <= lo) {
                break;
            }
            // Most introns interrupt the CDS, so that many codons are split across junctions.
            const int codingLo = std::max(lo, cdsStart + 3);
            const int codingHi = std::min(hi, cdsEnd - 3);
            QVector<int> cuts;
            for (int i = 0; i < wanted; ++i) {
                bool inCds = b.coding && codingHi > codingLo && rnd.chance(0.85);
                cuts.append(inCds ? int(rnd.range(codingLo, codingHi)) : int(rnd.range(lo, hi)));
            }
            std::sort(cuts.begin(), cuts.end());
            bool spaced = true;
            for (int i = 1; i < cuts.size(); ++i) {
                spaced = spaced && cuts[i] - cuts[i - 1] >= minExon;
            }
            if (spaced) {
                return fixed + cuts;
            }
        }
    }
    return fixed;
}

DemoGenomeBuilder::Locus DemoGenomeBuilder::buildLocus(const Blueprint& b) {
    Locus locus;
    locus.sequence = randomSequence(PROMOTER_LENGTH);
    if (b.tata) {
        locus.tata = PROMOTER_LENGTH - TATA_OFFSET;
        locus.sequence.replace(int(locus.tata), 7, "TATAAAA");
    }
    QByteArray mrna = randomSequence(b.utr5);
    int cdsStart = mrna.size();
    if (b.coding) {
        mrna.append(codingSequence(b.codons));
    }
    int cdsEnd = mrna.size();
    if (b.utr3 > 0) {
        QByteArray utr3 = randomSequence(b.utr3);
        if (utr3.size() >= 40) {
            utr3.replace(utr3.size() - 25, 6, "AATAAA");  // polyadenylation signal
        }
        mrna.append(utr3);
    }
    QVector<int> cuts = exonCuts(b, mrna.size(), cdsStart, cdsEnd);
    cuts.prepend(0);
    cuts.append(mrna.size());
    // Where each mRNA offset lands in the locus, exon by exon.
    QVector<qint64> exonLocusStart;
    for (int i = 0; i + 1 < cuts.size(); ++i) {
        if (i > 0) {
            int length = rnd.chance(0.15) ? int(rnd.range(80, 140)) : int(rnd.range(150, 1500));
            locus.sequence.append(intron(length));
        }
        exonLocusStart.append(locus.sequence.size());
        locus.exons.append(NxRegion(locus.sequence.size(), cuts[i + 1] - cuts[i]));
        locus.sequence.append(mrna.mid(cuts[i], cuts[i + 1] - cuts[i]));
    }
    auto locusPos = [&](int mrnaOffset) -> qint64 {
        for (int i = 0; i + 1 < cuts.size(); ++i) {
            if (mrnaOffset >= cuts[i] && mrnaOffset < cuts[i + 1]) {
                return exonLocusStart[i] + (mrnaOffset - cuts[i]);
            }
        }
        return -1;
    };
    if (b.coding) {
        qint64 first = locusPos(cdsStart);
        qint64 last = locusPos(cdsEnd - 1);
        locus.cds = NxRegion(first, last + 1 - first);
        locus.utrOnlyFirstExon = cuts.size() > 2 && cuts[1] <= cdsStart;
    }
    return locus;
}

DemoTranscript DemoGenomeBuilder::place(DemoChromosome& chr, const Locus& locus, bool reverse, int overlap) {
    const qint64 start = chr.sequence.size() - overlap;
    const qint64 length = locus.sequence.size();
    QByteArray seq = reverse ? reverseComplement(locus.sequence) : locus.sequence;
    chr.sequence.append(seq.mid(overlap));
    auto map = [&](const NxRegion& r) {
        return reverse ? NxRegion(start + length - r.endPos(), r.length) : NxRegion(start + r.startPos, r.length);
    };
    DemoTranscript t;
    t.reverse = reverse;
    for (const NxRegion& e : locus.exons) {
        t.exons.append(map(e));
    }
    std::sort(t.exons.begin(), t.exons.end());
    t.coding = !locus.cds.isEmpty();
    if (t.coding) {
        t.cds = map(locus.cds);
    }
    if (locus.tata >= 0) {
        t.tataStart = map(NxRegion(locus.tata, 7)).startPos;
    }
    t.utrOnlyFirstExon = locus.utrOnlyFirstExon;
    return t;
}

void DemoGenomeBuilder::addIntergenic(DemoChromosome& chr, int length) {
    chr.sequence.append(randomSequence(length));
}

QString DemoGenomeBuilder::nextGeneId() {
    return QString("ENSG9%1").arg(++geneCounter, 10, 10, QChar('0'));
}

QString DemoGenomeBuilder::nextTranscriptId() {
    return QString("ENST9%1").arg(++transcriptCounter, 10, 10, QChar('0'));
}

void DemoGenomeBuilder::buildChromosome(DemoChromosome& chr, int chromosomeIndex) {
    chr.sequence = QByteArray(50, 'N');
    addIntergenic(chr, 3000);
    int lincCounter = 0;
    for (int slot = 0; slot < layout.codingGenesPerChromosome; ++slot) {
        addIntergenic(chr, int(rnd.range(layout.intergenicMin, layout.intergenicMax)));
        Blueprint b = randomBlueprint(true);
        bool reverse = rnd.chance(0.5);
        if (slot == 3) {  // tail-to-tail pair sharing 3' UTR bases
            b.longLastExon = true;
            b.utr3 = int(rnd.range(250, 400));
            reverse = false;
        }
        if (slot == 6) {  // gets a second transcript without the UTR-only first exon
            b.utrOnlyFirstExon = true;
            b.utr5 = int(rnd.range(180, 260));
            b.exonCount = std::max(b.exonCount, 4);
        }
        if (slot == 1) {
            b.tata = true;  // at least one TATA box on each strand per chromosome
            reverse = chromosomeIndex == 0;
        }
        if (slot == 2) {
            b.tata = true;
            reverse = chromosomeIndex != 0;
        }
        DemoTranscript t = place(chr, buildLocus(b), reverse, 0);
        t.geneId = nextGeneId();
        t.transcriptId = nextTranscriptId();
        t.geneName = (chromosomeIndex == 0 && slot == 12) ? QString("FRNX1")
                                                           : QString("NXG%1").arg(++nameCounter, 2, 10, QChar('0'));
        chr.transcripts.append(t);
        const DemoTranscript host = t;

        if (slot == 3) {
            Blueprint pb = randomBlueprint(true);
            pb.longLastExon = true;
            pb.utr3 = int(rnd.range(250, 400));
            pb.tata = false;
            DemoTranscript partner = place(chr, buildLocus(pb), true, TAIL_OVERLAP);
            partner.geneId = nextGeneId();
            partner.transcriptId = nextTranscriptId();
            partner.geneName = QString("NXG%1").arg(++nameCounter, 2, 10, QChar('0'));
            chr.transcripts.append(partner);
        }
        if (slot == 6 && host.utrOnlyFirstExon && host.exons.size() >= 3) {
            DemoTranscript alt = host;
            alt.transcriptId = nextTranscriptId();
            alt.utrOnlyFirstExon = false;
            alt.tataStart = -1;
            if (host.reverse) {
                alt.exons.removeLast();
            } else {
                alt.exons.removeFirst();
            }
            alt.infoByTranscript = true;
            chr.transcripts.append(alt);
        }
        if (slot == 8 && host.exons.size() >= 3) {  // antisense lncRNA over a middle exon
            int mid = host.exons.size() / 2;
            const NxRegion& e = host.exons[mid];
            DemoTranscript as;
            as.coding = false;
            as.reverse = !host.reverse;
            as.geneId = nextGeneId();
            as.transcriptId = nextTranscriptId();
            as.geneName = host.geneName + "-AS1";
            qint64 intronStart = host.exons[mid - 1].endPos();
            if (e.startPos - intronStart >= 350) {
                as.exons.append(NxRegion(intronStart + 100, 120));
            }
            as.exons.append(NxRegion(e.startPos + 10, std::min<qint64>(e.length - 10, 80)));
            chr.transcripts.append(as);
        }
        if (slot == 10) {  // lncRNA nested in the longest intron
            int best = -1;
            qint64 bestLength = 0;
            for (int i = 0; i + 1 < host.exons.size(); ++i) {
                qint64 len = host.exons[i + 1].startPos - host.exons[i].endPos();
                if (len > bestLength) {
                    bestLength = len;
                    best = i;
                }
            }
            if (best >= 0 && bestLength >= 500) {
                DemoTranscript nested;
                nested.coding = false;
                nested.reverse = rnd.chance(0.5);
                nested.geneId = nextGeneId();
                nested.transcriptId = nextTranscriptId();
                nested.geneName = host.geneName + "-IT1";
                qint64 mid = host.exons[best].endPos() + bestLength / 2;
                nested.exons.append(NxRegion(mid - 100, 200));
                chr.transcripts.append(nested);
            }
        }
        if (slot == 5 || slot == 13) {  // stand-alone lncRNA genes
            addIntergenic(chr, int(rnd.range(2500, 5000)));
            DemoTranscript linc = place(chr, buildLocus(randomBlueprint(false)), rnd.chance(0.5), 0);
            linc.geneId = nextGeneId();
            linc.transcriptId = nextTranscriptId();
            linc.geneName = QString("LINC-NX%1%2").arg(chromosomeIndex + 1).arg(++lincCounter);
            chr.transcripts.append(linc);
        }
    }
    addIntergenic(chr, 4000);
    std::stable_sort(chr.transcripts.begin(), chr.transcripts.end(),
                     [](const DemoTranscript& a, const DemoTranscript& b) { return a.span() < b.span(); });
}

void DemoGenomeBuilder::addSpecialRegions(DemoChromosome& chr) {
    QVector<const DemoTranscript*> coding;
    for (const DemoTranscript& t : chr.transcripts) {
        if (t.coding && !t.infoByTranscript) {
            coding.append(&t);
        }
    }
    auto clip = [&](qint64 s, qint64 e) {
        s = std::max<qint64>(s, 0);
        e = std::min<qint64>(e, chr.sequence.size());
        return NxRegion(s, e - s);
    };
    // Segmental duplications: around a coding exon of two genes, and over an intergenic stretch.
    for (int i : {2, 9}) {
        if (i < coding.size() && coding[i]->exons.size() > 1) {
            const NxRegion& e = coding[i]->exons[1];
            chr.segmentalDuplications.append(clip(e.startPos - 300, e.endPos() + 300));
        }
    }
    if (coding.size() > 5) {
        qint64 s = coding[4]->span().endPos() + 1200;
        NxRegion gap = clip(s, s + 1500);
        bool free = true;
        for (const DemoTranscript& t : chr.transcripts) {
            free = free && !t.span().intersects(NxRegion(gap.startPos - 1000, gap.length + 2000));
        }
        if (free) {
            chr.segmentalDuplications.append(gap);
        }
    }
    // Conserved regions: coding parts of exons and one promoter.
    for (int i : {0, 5, 11}) {
        if (i < coding.size()) {
            QVector<NxRegion> parts = coding[i]->cdsParts();
            const NxRegion& p = parts[parts.size() / 2];
            chr.conservedRegions.append(clip(p.startPos - 10, p.endPos() + 10));
        }
    }
    if (coding.size() > 7) {
        qint64 tss = coding[7]->tss();
        chr.conservedRegions.append(coding[7]->reverse ? clip(tss + 1, tss + 201) : clip(tss - 200, tss));
    }
    std::sort(chr.segmentalDuplications.begin(), chr.segmentalDuplications.end());
    std::sort(chr.conservedRegions.begin(), chr.conservedRegions.end());
}

QVector<DemoChromosome> DemoGenomeBuilder::build() {
    QVector<DemoChromosome> result(2);
    result[0].name = "chr7";
    result[1].name = "chr17";
    for (int i = 0; i < result.size(); ++i) {
        buildChromosome(result[i], i);
        addSpecialRegions(result[i]);
    }
    // Gene-info columns, matrices.
    static const char* diseases[] = {
        "Demo syndrome type %1 (autosomal dominant)", "Hereditary demo neuropathy %1",
        "Susceptibility to demo cardiomyopathy %1",  " Demo retinal dystrophy %1 ",
    };
    int n = 0;
    for (DemoChromosome& chr : result) {
        for (DemoTranscript& t : chr.transcripts) {
            ++n;
            if (!t.coding) {
                if (n % 2 == 0) {
                    t.altName = t.geneName + " long non-coding RNA";
                }
                continue;
            }
            t.hasMatrix = (n % 4) != 3;
            if (t.infoByTranscript) {
                t.altName = t.geneName + " short isoform";
                continue;
            }
            if (n % 5 != 4) {
                t.altName = QString("Demo protein %1").arg(t.geneName.mid(3));
            }
            if (n % 3 != 2) {
                t.accession = QString("%1NX%2").arg(1 + n % 9).arg(QChar('A' + n % 26));
            }
            if (n % 2 == 0) {
                t.disease = QString(diseases[(n / 2) % 4]).arg(n);
            }
        }
    }
    return result;
}

}  // namespace Nx
