// A tiny hand-made genome for the variation-biology tests: two sequences held in memory behind the
// sequence-table interface, one forward-strand and one reverse-strand transcript whose codons and
// proteins are written out by hand in the comments below, so expectations never come from the code.
#pragma once

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/NxDbi.h>
#include <NxCore/dbi/NxSequenceDbi.h>
#include <NxCore/records/Gene.h>
#include <NxCore/records/NxVariant.h>

#include <QHash>

namespace NxTestGenome {

using namespace Nx;

class MemorySequenceDbi : public NxSequenceDbi {
public:
    QHash<NxDataId, QByteArray> data;
    int reads = 0;  // number of getSequenceData calls

    NxSequence getSequenceObject(const NxDataId& id, NxOpStatus& os) override {
        NxSequence s;
        if (!data.contains(id)) {
            os.setError("no sequence " + QString::fromLatin1(id));
            return s;
        }
        s.id = id;
        s.visualName = QString::fromLatin1(id);
        s.length = data[id].size();
        return s;
    }
    QByteArray getSequenceData(const NxDataId& id, const NxRegion& r, NxOpStatus& os) override {
        ++reads;
        if (!data.contains(id)) {
            os.setError("no sequence " + QString::fromLatin1(id));
            return QByteArray();
        }
        const QByteArray& s = data[id];
        qint64 start = qBound<qint64>(0, r.startPos, s.size());
        qint64 end = qBound<qint64>(start, r.endPos(), s.size());
        return s.mid(int(start), int(end - start));
    }
    void createSequenceObject(NxSequence& s, NxOpStatus&) override { data[s.id] = QByteArray(); }
    void appendSequenceData(const NxDataId& id, const QByteArray& d, NxOpStatus&) override { data[id].append(d); }
};

// A database that has only a sequence table.
class SequenceOnlyDbi : public NxDbi {
public:
    explicit SequenceOnlyDbi(NxSequenceDbi* s) : seq(s) {}
    NxDbiRef getDbiRef() const override { return NxDbiRef("memory", "test"); }
    NxObjectDbi* getObjectDbi() override { return nullptr; }
    NxSequenceDbi* getSequenceDbi() override { return seq; }
    NxFeatureDbi* getFeatureDbi() override { return nullptr; }
    NxAttributeDbi* getAttributeDbi() override { return nullptr; }
    NxVariantDbi* getVariantDbi() override { return nullptr; }
    DamageEffectDbi* getDamageEffectDbi() override { return nullptr; }
    KnownMutationsDbi* getKnownMutationsDbi() override { return nullptr; }

private:
    NxSequenceDbi* seq;
};

inline void put(QByteArray& seq, int start, const char* text) {
    for (int i = 0; text[i] != 0; ++i) {
        seq[start + i] = text[i];
    }
}

// Sequence "fwd", 60 bases. Forward transcript, exons [10,20) [30,45) [50,58), coding region [12,54):
//   CDS parts [12,20) "ATGAAAGC", [30,45) "ATGGCATTTGGGCCC", [50,54) "CTAA"
//   spliced   ATG AAA GCA TGG CAT TTG GGC CCC TAA  ->  M K A W H L G P *
//   codon 2 (GCA) = genomic 18, 19 | 30; codon 7 (CCC) = genomic 43, 44 | 50.
inline QByteArray forwardSequence() {
    QByteArray s(60, 'T');
    put(s, 10, "CCATGAAAGC");
    put(s, 20, "GTAAGTTTAG");
    put(s, 30, "ATGGCATTTGGGCCC");
    put(s, 45, "GTCAG");
    put(s, 50, "CTAAGGGGGG");
    return s;
}

inline Gene forwardGene() {
    return Gene("T-FWD", "FWDGENE", NxRegion(10, 48), NxRegion(12, 42),
                {NxRegion(10, 10), NxRegion(30, 15), NxRegion(50, 8)}, true, false);
}

// Sequence "rev", 60 bases. Reverse transcript, exons [10,20) [28,37) [45,55), coding region [15,49).
// mRNA CDS ATG CCG TGC AAT GGA TAG -> M P C N G *, laid out in transcript order over
//   [45,49) "ATGC" (genomic 48,47,46,45), [28,37) "CGTGCAATG" (genomic 36..28), [15,20) "GATAG" (19..15).
// The genome holds the reverse complements: 45..48 "GCAT", 28..36 "CATTGCACG", 15..19 "CTATC".
//   codon 1 (CCG) = genomic 45 | 36, 35; codon 4 (GGA) = genomic 28 | 19, 18.
inline QByteArray reverseSequence() {
    QByteArray s(60, 'A');
    put(s, 10, "GGGAA");
    put(s, 15, "CTATC");
    put(s, 20, "CTAAAAAC");  // intron, read on the reverse strand: GT...AG
    put(s, 28, "CATTGCACG");
    put(s, 37, "CTTTTTAC");
    put(s, 45, "GCAT");
    put(s, 49, "TTTGGG");
    return s;
}

inline Gene reverseGene() {
    return Gene("T-REV", "REVGENE", NxRegion(10, 45), NxRegion(15, 34),
                {NxRegion(10, 10), NxRegion(28, 9), NxRegion(45, 10)}, true, true);
}

inline NxVariant snv(qint64 pos, char ref, char obs) {
    NxVariant v;
    v.id = "v" + QByteArray::number(pos);
    v.startPos = pos;
    v.endPos = pos + 1;
    v.refData = QByteArray(1, ref);
    v.obsData = QByteArray(1, obs);
    return v;
}

inline NxVariant substitution(qint64 pos, const char* ref, const char* obs) {
    NxVariant v;
    v.startPos = pos;
    v.refData = ref;
    v.obsData = obs;
    v.endPos = pos + v.refData.size();
    return v;
}

}  // namespace NxTestGenome
