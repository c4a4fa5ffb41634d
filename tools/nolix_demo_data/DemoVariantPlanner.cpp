#include "DemoVariantPlanner.h"

#include "DemoBases.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Nx {

DemoVariantPlanner::DemoVariantPlanner(DemoRandom& random, DemoGenome& genome)
    : rnd(random), genome(genome), code("demo:standard-code", nullptr, nullptr) {}

QVector<qint64> DemoVariantPlanner::codingPositions(const DemoTranscript& t) const {
    QVector<qint64> result;
    for (const NxRegion& p : t.cdsParts()) {
        for (qint64 i = p.startPos; i < p.endPos(); ++i) {
            result.append(i);
        }
    }
    if (t.reverse) {
        std::reverse(result.begin(), result.end());
    }
    return result;
}

QByteArray DemoVariantPlanner::codonAt(int chr, const DemoTranscript& t, const QVector<qint64>& cds, int index) const {
    const QByteArray& seq = genome.chromosomes[chr].sequence;
    QByteArray c(3, 'N');
    for (int i = 0; i < 3; ++i) {
        char b = seq[int(cds[3 * index + i])];
        c[i] = t.reverse ? complementBase(b) : b;
    }
    return c;
}

char DemoVariantPlanner::chooseAlt(int chr, const DemoTranscript& t, const QVector<qint64>& cds, int index,
                                   int inCodon, bool synonymous, QByteArray& label) {
    const QByteArray& seq = genome.chromosomes[chr].sequence;
    const qint64 pos = cds[3 * index + inCodon];
    const char ref = seq[int(pos)];
    QByteArray codon = codonAt(chr, t, cds, index);
    const char refAa = code.translate3to1(codon[0], codon[1], codon[2]);
    QByteArray candidates;
    for (char b : QByteArray("ACGT")) {
        if (b == ref) {
            continue;
        }
        QByteArray varied = codon;
        varied[inCodon] = t.reverse ? complementBase(b) : b;
        char aa = code.translate3to1(varied[0], varied[1], varied[2]);
        if ((aa == refAa) == synonymous) {
            candidates.append(b);
        }
    }
    char alt = candidates.isEmpty() ? rnd.otherBase(ref) : candidates[int(rnd.below(quint64(candidates.size())))];
    QByteArray varied = codon;
    varied[inCodon] = t.reverse ? complementBase(alt) : alt;
    char aa = code.translate3to1(varied[0], varied[1], varied[2]);
    label = aa == refAa ? "coding_synonymous" : aa == '*' ? "coding_nonsense" : "coding_missense";
    return alt;
}

void DemoVariantPlanner::addRecord(int chr, qint64 pos, const QByteArray& ref, const QList<QByteArray>& alts,
                                   const char* label) {
    const QByteArray& seq = genome.chromosomes[chr].sequence;
    if (pos < 0 || pos + ref.size() > seq.size() || seq.mid(int(pos), ref.size()) != ref || ref.contains('N')) {
        return;
    }
    DemoVariant v;
    v.chromosome = chr;
    v.position = pos;
    v.ref = ref;
    v.alts = alts;
    v.label = label;
    genome.variants.append(v);
}

void DemoVariantPlanner::addSnv(int chr, qint64 pos, char alt, const char* label) {
    const QByteArray& seq = genome.chromosomes[chr].sequence;
    if (pos < 0 || pos >= seq.size()) {
        return;
    }
    char ref = seq[int(pos)];
    if (ref == 'N' || ref == alt) {
        return;
    }
    addRecord(chr, pos, QByteArray(1, ref), {QByteArray(1, alt)}, label);
}

bool DemoVariantPlanner::nearAnyTranscript(int chr, qint64 pos, qint64 margin) const {
    for (const DemoTranscript& t : genome.chromosomes[chr].transcripts) {
        NxRegion s = t.span();
        if (pos >= s.startPos - margin && pos < s.endPos() + margin) {
            return true;
        }
    }
    return false;
}

void DemoVariantPlanner::addKnown(int chr, qint64 pos, const QByteArray& ref, const QByteArray& alt) {
    DemoKnownMutation m;
    m.chromosome = chr;
    m.position = pos;
    m.ref = ref;
    m.alt = alt;
    ++rsCounter;
    m.id = rnd.chance(0.1) ? QByteArray() : "rs" + QByteArray::number(rsCounter);
    // Ranges as the scores usually take them; each key is left out one time in five.
    const double lo[DEMO_SCORE_COUNT] = {0, 0, -3, 0, 0, 0, 0, 0, 0, 0, 0, -5, 0};
    const double hi[DEMO_SCORE_COUNT] = {1, 1, 6, 1, 1, 0.5, 1, 1, 1, 1, 1, 6, 1};
    for (int i = 0; i < DEMO_SCORE_COUNT; ++i) {
        double v = lo[i] + (hi[i] - lo[i]) * rnd.unit();
        m.scores[i] = rnd.chance(0.2) ? std::numeric_limits<double>::quiet_NaN() : std::round(v * 1000) / 1000;
    }
    // The SIFT verdict's edge: exactly 0.05 is tolerated, just below is damaging.
    int n = genome.knownMutations.size();
    if (n % 7 == 0) {
        m.scores[0] = 0.05;
    } else if (n % 7 == 1) {
        m.scores[0] = 0.049;
    }
    genome.knownMutations.append(m);
}

void DemoVariantPlanner::planKnownMutations() {
    for (int c = 0; c < genome.chromosomes.size(); ++c) {
        const DemoChromosome& chr = genome.chromosomes[c];
        bool twoAtOnePlace = false;
        bool knownDeletion = false;
        for (const DemoTranscript& t : chr.transcripts) {
            if (!t.coding || t.infoByTranscript) {
                continue;
            }
            QVector<qint64> cds = codingPositions(t);
            for (int k = 0; k < 5; ++k) {
                qint64 pos = cds[int(rnd.range(3, cds.size() - 4))];
                char ref = chr.sequence[int(pos)];
                addKnown(c, pos, QByteArray(1, ref), QByteArray(1, rnd.otherBase(ref)));
                if (!twoAtOnePlace) {  // a second allele at the same position
                    char other = rnd.otherBase(ref);
                    while (other == genome.knownMutations.last().alt[0]) {
                        other = rnd.otherBase(ref);
                    }
                    addKnown(c, pos, QByteArray(1, ref), QByteArray(1, other));
                    twoAtOnePlace = true;
                }
            }
            if (!knownDeletion) {
                qint64 pos = cds[int(rnd.range(10, cds.size() - 10))];
                qint64 lo = std::min(pos, t.reverse ? pos - 2 : pos + 2);
                if (chr.sequence.mid(int(lo), 3).size() == 3 && t.cds.contains(NxRegion(lo, 3))) {
                    addKnown(c, lo, chr.sequence.mid(int(lo), 3), chr.sequence.mid(int(lo), 1));
                    knownDeletion = true;
                }
            }
            // One in an untranslated part of an exon, one in an intron.
            for (const NxRegion& e : t.exons) {
                if (e.startPos < t.cds.startPos) {
                    qint64 pos = e.startPos + e.length / 2;
                    if (pos < t.cds.startPos) {
                        char ref = chr.sequence[int(pos)];
                        addKnown(c, pos, QByteArray(1, ref), QByteArray(1, rnd.otherBase(ref)));
                    }
                    break;
                }
            }
            if (t.exons.size() > 1) {
                qint64 pos = (t.exons[0].endPos() + t.exons[1].startPos) / 2;
                char ref = chr.sequence[int(pos)];
                addKnown(c, pos, QByteArray(1, ref), QByteArray(1, rnd.otherBase(ref)));
            }
        }
    }
    // Demo records on known mutations: most match exactly, some only by position.
    for (const DemoKnownMutation& m : QVector<DemoKnownMutation>(genome.knownMutations)) {
        if (m.ref.size() > 1) {
            addRecord(m.chromosome, m.position, m.ref, {m.alt}, "known_match_deletion");
            continue;
        }
        double r = rnd.unit();
        if (r < 0.6) {
            addRecord(m.chromosome, m.position, m.ref, {m.alt}, "known_match");
        } else if (r < 0.75) {
            char other = rnd.otherBase(m.ref[0]);
            while (other == m.alt[0]) {
                other = rnd.otherBase(m.ref[0]);
            }
            addSnv(m.chromosome, m.position, other, "known_other_allele");
        }
    }
}

void DemoVariantPlanner::planTranscript(int chr, const DemoTranscript& t) {
    const QByteArray& seq = genome.chromosomes[chr].sequence;
    auto ref = [&](qint64 pos) { return seq[int(pos)]; };

    if (t.coding && !t.infoByTranscript) {
        QVector<qint64> cds = codingPositions(t);
        const int codons = cds.size() / 3;
        QByteArray label;
        // Every codon position, synonymous and missense.
        for (int k = 0; k < 4; ++k) {
            int index = int(rnd.range(1, codons - 2));
            for (int p = 0; p < 3; ++p) {
                char alt = chooseAlt(chr, t, cds, index, p, (p + k) % 2 == 0, label);
                addSnv(chr, cds[3 * index + p], alt, label.constData());
            }
        }
        // Every base of each codon that an intron splits.
        qint64 before = 0;
        QVector<NxRegion> parts = t.cdsParts();
        if (t.reverse) {
            std::reverse(parts.begin(), parts.end());
        }
        for (int i = 0; i + 1 < parts.size(); ++i) {
            before += parts[i].length;
            if (before % 3 != 0) {
                int index = int(before / 3);
                for (int p = 0; p < 3; ++p) {
                    char alt = chooseAlt(chr, t, cds, index, p, rnd.chance(0.4), label);
                    addSnv(chr, cds[3 * index + p], alt, "coding_split_codon");
                }
            }
        }
        // Start and stop codons.
        int p = int(rnd.below(3));
        addSnv(chr, cds[p], rnd.otherBase(ref(cds[p])), "coding_start_codon");
        p = int(rnd.below(3));
        qint64 stopPos = cds[3 * (codons - 1) + p];
        addSnv(chr, stopPos, rnd.otherBase(ref(stopPos)), "coding_stop_codon");
        // Untranslated parts of exons: 5' and 3' of the CDS, and a UTR-only exon.
        for (const NxRegion& e : t.exons) {
            NxRegion five = t.reverse ? NxRegion(t.cds.endPos(), e.endPos() - t.cds.endPos()).intersect(e)
                                      : NxRegion(e.startPos, t.cds.startPos - e.startPos).intersect(e);
            NxRegion three = t.reverse ? NxRegion(e.startPos, t.cds.startPos - e.startPos).intersect(e)
                                       : NxRegion(t.cds.endPos(), e.endPos() - t.cds.endPos()).intersect(e);
            bool utrOnly = !e.intersects(t.cds);
            if (five.length > 8) {
                qint64 pos = five.startPos + 4 + qint64(rnd.below(quint64(five.length - 8)));
                addSnv(chr, pos, rnd.otherBase(ref(pos)), utrOnly ? "utr5_noncoding_exon" : "utr5_coding_exon");
            }
            if (three.length > 8) {
                qint64 pos = three.startPos + 4 + qint64(rnd.below(quint64(three.length - 8)));
                addSnv(chr, pos, rnd.otherBase(ref(pos)), utrOnly ? "utr3_noncoding_exon" : "utr3_coding_exon");
            }
        }
        // Transcript's outer ends: never a splice site.
        qint64 tss = t.tss();
        addSnv(chr, tss, rnd.otherBase(ref(tss)), "transcript_start");
        qint64 end = t.reverse ? t.span().startPos : t.span().endPos() - 1;
        addSnv(chr, end, rnd.otherBase(ref(end)), "transcript_end");
    }
    // Introns: deep positions and the splice windows of one intron.
    for (int i = 0; i + 1 < t.exons.size() && i < 2; ++i) {
        qint64 s = t.exons[i].endPos();
        qint64 e = t.exons[i + 1].startPos;
        if (e - s >= 20) {
            qint64 pos = s + 8 + qint64(rnd.below(quint64(e - s - 16)));
            addSnv(chr, pos, rnd.otherBase(ref(pos)), t.coding ? "intron" : "noncoding_intron");
        }
    }
    if (t.exons.size() > 1 && (t.coding || rnd.chance(0.5))) {
        int i = int(rnd.below(quint64(t.exons.size() - 1)));
        qint64 lowBoundary = t.exons[i].endPos();        // first intron base
        qint64 highBoundary = t.exons[i + 1].startPos;  // first base of the next exon
        const char* low = t.reverse ? "splice_acceptor" : "splice_donor";
        const char* high = t.reverse ? "splice_donor" : "splice_acceptor";
        for (qint64 d = -3; d <= 2; ++d) {
            const char* label = (d == -3 || d == 2) ? "splice_outside" : low;
            addSnv(chr, lowBoundary + d, rnd.otherBase(ref(lowBoundary + d)), label);
            label = (d == -3 || d == 2) ? "splice_outside" : high;
            addSnv(chr, highBoundary + d, rnd.otherBase(ref(highBoundary + d)), label);
        }
    }
    if (!t.coding) {
        for (const NxRegion& e : t.exons) {
            qint64 pos = e.startPos + e.length / 2;
            addSnv(chr, pos, rnd.otherBase(ref(pos)), "noncoding_exon");
        }
    }
    // Promoter and TATA box (only where the promoter lies outside every gene).
    qint64 distance = rnd.range(50, 900);
    qint64 promoter = t.reverse ? t.tss() + distance : t.tss() - distance;
    if (!nearAnyTranscript(chr, promoter, 0)) {
        addSnv(chr, promoter, rnd.otherBase(ref(promoter)), "promoter");
    }
    if (t.tataStart >= 0) {
        qint64 pos = t.tataStart + qint64(rnd.below(7));
        addSnv(chr, pos, rnd.otherBase(ref(pos)), "tata_box");
    }
}

void DemoVariantPlanner::planChromosome(int chr) {
    const DemoChromosome& c = genome.chromosomes[chr];
    const QByteArray& seq = c.sequence;
    // Intergenic: far from every transcript (and its promoter).
    int placed = 0;
    for (int attempt = 0; attempt < 10000 && placed < 8; ++attempt) {
        qint64 pos = rnd.range(60, seq.size() - 1);
        if (!nearAnyTranscript(chr, pos, 1500)) {
            addSnv(chr, pos, rnd.otherBase(seq[int(pos)]), "intergenic");
            ++placed;
        }
    }
    QVector<const DemoTranscript*> coding;
    for (const DemoTranscript& t : c.transcripts) {
        if (t.coding && !t.infoByTranscript) {
            coding.append(&t);
        }
    }
    // Multi-base and multi-allelic records in coding sequence, on both strands where possible.
    int multi = 0;
    for (const DemoTranscript* t : coding) {
        if (multi >= 4) {
            break;
        }
        ++multi;
        QVector<qint64> cds = codingPositions(*t);
        qint64 lo = cds[int(rnd.range(20, cds.size() - 20))];
        QByteArray ref2 = seq.mid(int(lo), 2);
        QByteArray mnp(2, 'N');
        mnp[0] = rnd.otherBase(ref2[0]);
        mnp[1] = rnd.otherBase(ref2[1]);
        addRecord(chr, lo, ref2, {mnp}, "mnp_coding");
        qint64 del = cds[int(rnd.range(20, cds.size() - 20))];
        addRecord(chr, del, seq.mid(int(del), 3), {seq.mid(int(del), 1)}, "deletion_coding");
        qint64 snv = cds[int(rnd.range(20, cds.size() - 20))];
        char r = seq[int(snv)];
        char a1 = rnd.otherBase(r);
        char a2 = rnd.otherBase(r);
        while (a2 == a1) {
            a2 = rnd.otherBase(r);
        }
        QList<QByteArray> alts{QByteArray(1, a1), QByteArray(1, a2)};
        if (multi == 1) {
            for (char b : QByteArray("ACGT")) {
                if (b != r && b != a1 && b != a2) {
                    alts.append(QByteArray(1, b));
                }
            }
        }
        addRecord(chr, snv, QByteArray(1, r), alts, "multiallelic_coding");
        if (t->exons.size() > 1) {
            qint64 in = (t->exons[0].endPos() + t->exons[1].startPos) / 2;
            QByteArray ins = seq.mid(int(in), 1);
            addRecord(chr, in, ins, {ins + "TTG"}, "insertion_intron");
        }
        QVector<NxRegion> exons = t->exons;
        const NxRegion& last = t->reverse ? exons.first() : exons.last();
        NxRegion utr3 = t->reverse ? NxRegion(last.startPos, t->cds.startPos - last.startPos).intersect(last)
                                   : NxRegion(t->cds.endPos(), last.endPos() - t->cds.endPos()).intersect(last);
        if (utr3.length > 20) {
            qint64 d = utr3.startPos + 5;
            addRecord(chr, d, seq.mid(int(d), 4), {seq.mid(int(d), 1)}, "deletion_utr3");
        }
    }
    {
        qint64 pos = 0;
        for (int attempt = 0; attempt < 10000; ++attempt) {
            pos = rnd.range(60, seq.size() - 1);
            if (!nearAnyTranscript(chr, pos, 1500)) {
                break;
            }
        }
        char r = seq[int(pos)];
        char a1 = rnd.otherBase(r);
        char a2 = rnd.otherBase(r);
        while (a2 == a1) {
            a2 = rnd.otherBase(r);
        }
        addRecord(chr, pos, QByteArray(1, r), {QByteArray(1, a1), QByteArray(1, a2)}, "multiallelic_intergenic");
    }
    // Positions that two genes share: the antisense exon over a coding exon, the shared 3' UTR.
    for (const DemoTranscript& t : c.transcripts) {
        for (const DemoTranscript& o : c.transcripts) {
            if (&t == &o || t.geneId == o.geneId || t.reverse == o.reverse) {
                continue;
            }
            for (const NxRegion& e : t.exons) {
                for (const NxRegion& f : o.exons) {
                    NxRegion shared = e.intersect(f);
                    if (shared.length >= 3 && (t.geneId < o.geneId)) {
                        qint64 pos = shared.startPos + shared.length / 2;
                        addSnv(chr, pos, rnd.otherBase(seq[int(pos)]), "overlapping_genes");
                    }
                }
            }
        }
    }
}

void DemoVariantPlanner::planLocationVariants() {
    for (int c = 0; c < genome.chromosomes.size(); ++c) {
        for (const DemoTranscript& t : genome.chromosomes[c].transcripts) {
            planTranscript(c, t);
        }
        planChromosome(c);
    }
}

void DemoVariantPlanner::finish() {
    std::sort(genome.variants.begin(), genome.variants.end());
    genome.variants.erase(std::unique(genome.variants.begin(), genome.variants.end()), genome.variants.end());
}

QVector<DemoRandomVariant> DemoVariantPlanner::randomVariants(qint64 n) {
    QVector<DemoRandomVariant> result;
    if (n <= 0) {
        return result;
    }
    result.reserve(int(n));
    qint64 total = 0;
    for (const DemoChromosome& c : genome.chromosomes) {
        total += c.sequence.size();
    }
    static const char bases[] = "ACGT";
    while (result.size() < n) {
        qint64 x = qint64(rnd.below(quint64(total)));
        int chr = 0;
        while (x >= genome.chromosomes[chr].sequence.size()) {
            x -= genome.chromosomes[chr].sequence.size();
            ++chr;
        }
        const QByteArray& seq = genome.chromosomes[chr].sequence;
        if (x + 5 >= seq.size() || seq[int(x)] == 'N' || seq[int(x + 4)] == 'N') {
            continue;
        }
        DemoRandomVariant v;
        v.chromosome = chr;
        v.position = x;
        quint64 kind = rnd.below(100);
        v.kind = kind < 92 ? 0 : kind < 96 ? 1 : 2;
        v.length = v.kind == 0 ? 1 : quint8(1 + rnd.below(3));
        v.bases[0] = v.bases[1] = v.bases[2] = 'N';
        if (v.kind == 0) {
            v.bases[0] = rnd.otherBase(seq[int(x)]);
        } else if (v.kind == 2) {
            for (int i = 0; i < v.length; ++i) {
                v.bases[i] = bases[rnd.below(4)];
            }
        }
        result.append(v);
    }
    std::sort(result.begin(), result.end());
    return result;
}

}  // namespace Nx
