// Frames, codons and locations on the hand-made genome of VariationPropertiesTestGenome.h.
#include "VariationPropertiesTestGenome.h"

#include <NxCore/biology/DNAComplementTranslation.h>
#include <NxCore/variation/DamageMatrix.h>
#include <NxCore/variation/SequenceQueryCache.h>
#include <NxCore/variation/VariationPropertiesUtils.h>

#include <gtest/gtest.h>

using namespace Nx;
using namespace NxTestGenome;
using VPU = VariationPropertiesUtils;

namespace {

struct Frame {
    bool found = false;
    qint64 codonStart = -7;
    int codonIndex = -7;
    int posInCodon = -7;
};

Frame frameAt(const Gene& gene, qint64 pos) {
    Frame f;
    f.found = VPU::getFrameStartPositionsForCoding(f.codonStart, f.codonIndex, f.posInCodon, snv(pos, 'N', 'A'), gene);
    return f;
}

class VariationPropertiesUtilsTest : public ::testing::Test {
protected:
    void SetUp() override {
        seq.data["fwd"] = forwardSequence();
        seq.data["rev"] = reverseSequence();
    }
    QByteArray codon(const Gene& g, const NxDataId& id, qint64 codonStart) {
        NxOpStatusImpl os;
        QByteArray c = VPU::getDamagedTriplet(g, codonStart, id, &seq, os);
        EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
        return c;
    }
    // The codon read for the variation at pos and varied the way the evaluator does it.
    QPair<QByteArray, QByteArray> codonChange(const Gene& g, const NxDataId& id, const NxVariant& v) {
        qint64 start = 0;
        int index = 0, inCodon = -1;
        if (!VPU::getFrameStartPositionsForCoding(start, index, inCodon, v, g)) {
            return {};
        }
        QByteArray ref = codon(g, id, start);
        const DNATranslation* c = nullptr;
        if (g.isComplemented()) {
            c = &complement;
            complement.translate(ref.data(), ref.size());
        }
        return {ref, VPU::varyTriplet(ref, v, inCodon, c)};
    }

    MemorySequenceDbi seq;
    DNAComplementTranslation complement{"c", nullptr};
    Gene fwd = forwardGene();
    Gene rev = reverseGene();
};

}  // namespace

TEST_F(VariationPropertiesUtilsTest, FrameOnTheForwardStrandCountsOnlyCodingBases) {
    Frame f = frameAt(fwd, 12);  // A of ATG
    ASSERT_TRUE(f.found);
    EXPECT_EQ(f.codonStart, 0);
    EXPECT_EQ(f.codonIndex, 0);
    EXPECT_EQ(f.posInCodon, 0);
    f = frameAt(fwd, 19);  // second base of codon 2, just before the intron
    ASSERT_TRUE(f.found);
    EXPECT_EQ(f.codonStart, 6);
    EXPECT_EQ(f.codonIndex, 2);
    EXPECT_EQ(f.posInCodon, 1);
    f = frameAt(fwd, 30);  // third base of codon 2, first base after the intron
    ASSERT_TRUE(f.found);
    EXPECT_EQ(f.codonIndex, 2);
    EXPECT_EQ(f.posInCodon, 2);
    f = frameAt(fwd, 31);
    ASSERT_TRUE(f.found);
    EXPECT_EQ(f.codonStart, 9);
    EXPECT_EQ(f.codonIndex, 3);
    EXPECT_EQ(f.posInCodon, 0);
    f = frameAt(fwd, 53);  // last base of the stop codon
    ASSERT_TRUE(f.found);
    EXPECT_EQ(f.codonIndex, 8);
    EXPECT_EQ(f.posInCodon, 2);
}

TEST_F(VariationPropertiesUtilsTest, FrameOnTheReverseStrandRunsDownTheGenome) {
    Frame f = frameAt(rev, 48);  // A of ATG on the mRNA
    ASSERT_TRUE(f.found);
    EXPECT_EQ(f.codonStart, 0);
    EXPECT_EQ(f.codonIndex, 0);
    EXPECT_EQ(f.posInCodon, 0);
    f = frameAt(rev, 45);  // first base of codon 1, last base of the first exon
    ASSERT_TRUE(f.found);
    EXPECT_EQ(f.codonStart, 3);
    EXPECT_EQ(f.codonIndex, 1);
    EXPECT_EQ(f.posInCodon, 0);
    f = frameAt(rev, 35);
    ASSERT_TRUE(f.found);
    EXPECT_EQ(f.codonIndex, 1);
    EXPECT_EQ(f.posInCodon, 2);
    f = frameAt(rev, 19);  // second base of codon 4, after the second intron
    ASSERT_TRUE(f.found);
    EXPECT_EQ(f.codonStart, 12);
    EXPECT_EQ(f.codonIndex, 4);
    EXPECT_EQ(f.posInCodon, 1);
    f = frameAt(rev, 15);  // G of the stop codon TAG
    ASSERT_TRUE(f.found);
    EXPECT_EQ(f.codonIndex, 5);
    EXPECT_EQ(f.posInCodon, 2);
}

TEST_F(VariationPropertiesUtilsTest, NoFrameOutsideCompleteCodons) {
    for (qint64 pos : {11, 20, 25, 29, 45, 54, 57, 0, 59}) {
        Frame f = frameAt(fwd, pos);
        EXPECT_FALSE(f.found) << pos;
        EXPECT_EQ(f.codonIndex, -7) << "outputs must stay untouched at " << pos;
    }
    for (qint64 pos : {14, 49, 54, 40, 27}) {
        EXPECT_FALSE(frameAt(rev, pos).found) << pos;
    }
    // 28 coding bases: the 28th is no complete codon.
    Gene partial("T-P", "P", NxRegion(10, 48), NxRegion(12, 43), fwd.getExons(), true, false);
    EXPECT_TRUE(frameAt(partial, 53).found);
    EXPECT_FALSE(frameAt(partial, 54).found);
    Gene nonCoding("T-NC", "NC", NxRegion(10, 48), NxRegion(), fwd.getExons(), false, false);
    EXPECT_FALSE(frameAt(nonCoding, 12).found);
}

TEST_F(VariationPropertiesUtilsTest, TripletsAreInTranscriptOrderAndJoinedAcrossIntrons) {
    EXPECT_EQ(codon(fwd, "fwd", 0), QByteArray("ATG"));
    EXPECT_EQ(codon(fwd, "fwd", 6), QByteArray("GCA"));  // 18, 19 | 30
    EXPECT_EQ(codon(fwd, "fwd", 21), QByteArray("CCC"));  // 43, 44 | 50
    EXPECT_EQ(codon(fwd, "fwd", 24), QByteArray("TAA"));
    // Reverse strand: not complemented, so the caller's complement gives the mRNA codon.
    EXPECT_EQ(codon(rev, "rev", 0), QByteArray("TAC"));   // -> ATG
    EXPECT_EQ(codon(rev, "rev", 3), QByteArray("GGC"));   // 45 | 36, 35 -> CCG
    EXPECT_EQ(codon(rev, "rev", 12), QByteArray("CCT"));  // 28 | 19, 18 -> GGA
    EXPECT_EQ(codon(rev, "rev", 15), QByteArray("ATC"));  // -> TAG
}

TEST_F(VariationPropertiesUtilsTest, BufferedAndDirectTripletsAgreeOnEveryCodon) {
    for (const Gene& g : {fwd, rev}) {
        SequenceQueryCache cache(nullptr, NxDataId());
        cache.setSequenceDbi(&seq);
        cache.setSequenceId(g.isComplemented() ? "rev" : "fwd");
        for (qint64 start = 0; start < 27 && (g.isComplemented() ? start < 18 : true); start += 3) {
            NxOpStatusImpl os;
            QByteArray buffered = VPU::getDamagedTripletBufferedSeq(g, start, cache, os);
            ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
            EXPECT_EQ(buffered, codon(g, g.isComplemented() ? "rev" : "fwd", start)) << start;
        }
    }
}

TEST_F(VariationPropertiesUtilsTest, TripletReadFailuresSetTheStatus) {
    NxOpStatusImpl os;
    EXPECT_TRUE(VPU::getDamagedTriplet(fwd, 27, "fwd", &seq, os).isEmpty());
    EXPECT_TRUE(os.hasError());
    NxOpStatusImpl os2;
    EXPECT_TRUE(VPU::getDamagedTriplet(fwd, 0, "fwd", nullptr, os2).isEmpty());
    EXPECT_TRUE(os2.hasError());
    NxOpStatusImpl os3;
    EXPECT_TRUE(VPU::getDamagedTriplet(fwd, 0, "missing", &seq, os3).isEmpty());
    EXPECT_TRUE(os3.hasError());
    // A sequence shorter than its annotation.
    seq.data["short"] = forwardSequence().left(52);
    NxOpStatusImpl os4;
    EXPECT_TRUE(VPU::getDamagedTriplet(fwd, 24, "short", &seq, os4).isEmpty());
    EXPECT_TRUE(os4.hasError());
}

TEST_F(VariationPropertiesUtilsTest, VariedCodonsOnBothStrands) {
    // Forward 19 C>T: GCA -> GTA (A -> V); split codon.
    auto change = codonChange(fwd, "fwd", snv(19, 'C', 'T'));
    EXPECT_EQ(change.first, QByteArray("GCA"));
    EXPECT_EQ(change.second, QByteArray("GTA"));
    // Forward 30 A>G, the codon's third base after the intron: GCA -> GCG.
    change = codonChange(fwd, "fwd", snv(30, 'A', 'G'));
    EXPECT_EQ(change.second, QByteArray("GCG"));
    // Reverse 36 G>A (genome strand): mRNA codon 1 CCG, middle base C -> T: CTG.
    change = codonChange(rev, "rev", snv(36, 'G', 'A'));
    EXPECT_EQ(change.first, QByteArray("CCG"));
    EXPECT_EQ(change.second, QByteArray("CTG"));
    // Reverse 45 G>T: first base of CCG becomes complement(T) = A: ACG.
    change = codonChange(rev, "rev", snv(45, 'G', 'T'));
    EXPECT_EQ(change.second, QByteArray("ACG"));
    // Reverse 18 T>G: codon 4 GGA, third base becomes complement(G) = C: GGC.
    change = codonChange(rev, "rev", snv(18, 'T', 'G'));
    EXPECT_EQ(change.first, QByteArray("GGA"));
    EXPECT_EQ(change.second, QByteArray("GGC"));
    // Lower-case alleles are put in upper case.
    change = codonChange(fwd, "fwd", snv(12, 'A', 'c'));
    EXPECT_EQ(change.second, QByteArray("CTG"));
}

TEST_F(VariationPropertiesUtilsTest, VaryTripletSubstitutionsAndWhatItRefuses) {
    // Forward 34..35 "CA" > "GG": codon 4 CAT -> GGT.
    EXPECT_EQ(VPU::varyTriplet("CAT", substitution(34, "CA", "GG"), 0, nullptr), QByteArray("GGT"));
    // Reverse 35..36 "CG" > "TA": in transcript order offsets 4, 5 become T, A: CCG -> CTA.
    EXPECT_EQ(VPU::varyTriplet("CCG", substitution(35, "CG", "TA"), 2, &complement), QByteArray("CTA"));
    // Substitutions running out of the codon, indels, bad codons, bad positions.
    EXPECT_TRUE(VPU::varyTriplet("GCA", substitution(30, "AT", "GG"), 2, nullptr).isEmpty());
    EXPECT_TRUE(VPU::varyTriplet("CCG", substitution(45, "GC", "AA"), 0, &complement).isEmpty());
    EXPECT_TRUE(VPU::varyTriplet("ATG", substitution(12, "A", "AT"), 0, nullptr).isEmpty());
    EXPECT_TRUE(VPU::varyTriplet("ATG", substitution(12, "AT", "A"), 0, nullptr).isEmpty());
    EXPECT_TRUE(VPU::varyTriplet("ATG", substitution(12, "A", ""), 0, nullptr).isEmpty());
    EXPECT_TRUE(VPU::varyTriplet("AT", snv(12, 'A', 'C'), 0, nullptr).isEmpty());
    EXPECT_TRUE(VPU::varyTriplet("ATG", snv(12, 'A', 'C'), 3, nullptr).isEmpty());
    EXPECT_TRUE(VPU::varyTriplet("ATG", snv(12, 'A', 'C'), -1, nullptr).isEmpty());
    // An unknown reference allele still lets a single observed base in.
    EXPECT_EQ(VPU::varyTriplet("ATG", substitution(13, "", "C"), 1, nullptr), QByteArray("ACG"));
}

TEST_F(VariationPropertiesUtilsTest, AminoAcidSubstitutionsFromTheSequenceTable) {
    SequenceOnlyDbi db(&seq);
    int pos = 99;
    NxOpStatusImpl os;
    auto aa = VPU::getAASubstitution(&db, fwd, "fwd", snv(19, 'C', 'T'), pos, os);
    EXPECT_EQ(pos, 2);
    EXPECT_EQ(aa.first, QByteArray("A"));
    EXPECT_EQ(aa.second, QByteArray("V"));
    aa = VPU::getAASubstitution(&db, fwd, "fwd", snv(53, 'A', 'G'), pos, os);  // TAA -> TAG
    EXPECT_EQ(pos, 8);
    EXPECT_EQ(aa.first, QByteArray("*"));
    EXPECT_EQ(aa.second, QByteArray("*"));
    aa = VPU::getAASubstitution(&db, fwd, "fwd", snv(33, 'G', 'A'), pos, os);  // TGG -> TGA
    EXPECT_EQ(pos, 3);
    EXPECT_EQ(aa.second, QByteArray("*"));
    aa = VPU::getAASubstitution(&db, rev, "rev", snv(36, 'G', 'A'), pos, os);  // CCG -> CTG
    EXPECT_EQ(pos, 1);
    EXPECT_EQ(aa.first, QByteArray("P"));
    EXPECT_EQ(aa.second, QByteArray("L"));
    aa = VPU::getAASubstitution(&db, rev, "rev", snv(47, 'A', 'T'), pos, os);  // ATG -> AAG
    EXPECT_EQ(pos, 0);
    EXPECT_EQ(aa.first, QByteArray("M"));
    EXPECT_EQ(aa.second, QByteArray("K"));
    EXPECT_FALSE(os.hasError());
    // Intron, indel: no substitution.
    aa = VPU::getAASubstitution(&db, fwd, "fwd", snv(25, 'T', 'A'), pos, os);
    EXPECT_EQ(pos, -1);
    EXPECT_TRUE(aa.first.isEmpty() && aa.second.isEmpty());
    aa = VPU::getAASubstitution(&db, fwd, "fwd", substitution(13, "T", "TA"), pos, os);
    EXPECT_EQ(pos, -1);
    EXPECT_TRUE(aa.first.isEmpty());
    EXPECT_FALSE(os.hasError());
    // No sequence table is an error, not a silent miss.
    SequenceOnlyDbi empty(nullptr);
    NxOpStatusImpl os2;
    VPU::getAASubstitution(&empty, fwd, "fwd", snv(19, 'C', 'T'), pos, os2);
    EXPECT_TRUE(os2.hasError());
    EXPECT_EQ(pos, -1);
}

TEST_F(VariationPropertiesUtilsTest, CodingSequenceAndProtein) {
    NxOpStatusImpl os;
    QByteArray cdsF = VPU::getCodingSequence(fwd, "fwd", &seq, os);
    EXPECT_EQ(cdsF, QByteArray("ATGAAAGCATGGCATTTGGGCCCCTAA"));
    EXPECT_EQ(VPU::getAASequence(cdsF), QByteArray("MKAWHLGP"));
    QByteArray cdsR = VPU::getCodingSequence(rev, "rev", &seq, os);
    EXPECT_EQ(cdsR, QByteArray("ATGCCGTGCAATGGATAG"));
    EXPECT_EQ(VPU::getAASequence(cdsR), QByteArray("MPCNG"));
    EXPECT_FALSE(os.hasError());
    EXPECT_EQ(VPU::getAASequence("ATGTAAGGNTG"), QByteArray("M*X"));  // internal stop kept, partial codon dropped
    NxOpStatusImpl os2;
    EXPECT_TRUE(VPU::getCodingSequence(fwd, "fwd", nullptr, os2).isEmpty());
    EXPECT_TRUE(os2.hasError());
}

TEST_F(VariationPropertiesUtilsTest, DamageProteinMeansOverlappingACodingPart) {
    EXPECT_TRUE(VPU::isDamageProtein(snv(12, 'A', 'C'), fwd));
    EXPECT_TRUE(VPU::isDamageProtein(snv(53, 'A', 'C'), fwd));
    EXPECT_FALSE(VPU::isDamageProtein(snv(11, 'C', 'A'), fwd));  // 5' UTR
    EXPECT_FALSE(VPU::isDamageProtein(snv(54, 'G', 'A'), fwd));  // 3' UTR
    EXPECT_FALSE(VPU::isDamageProtein(snv(25, 'T', 'A'), fwd));  // intron
    EXPECT_TRUE(VPU::isDamageProtein(substitution(8, "TTTTA", "T"), fwd));  // a deletion reaching the CDS
    EXPECT_TRUE(VPU::isDamageProtein(snv(30, 'T', 'A'), rev));
    EXPECT_FALSE(VPU::isDamageProtein(snv(40, 'T', 'A'), rev));  // intron
    EXPECT_FALSE(VPU::isDamageProtein(snv(50, 'T', 'A'), rev));
    Gene nonCoding("T-NC", "NC", NxRegion(10, 48), NxRegion(12, 42), fwd.getExons(), false, false);
    EXPECT_FALSE(VPU::isDamageProtein(snv(12, 'A', 'C'), nonCoding));
}

TEST(VariationSpliceSiteTest, TwoBasesOnEachSideOfInternalBoundariesOnly) {
    QVector<NxRegion> exons{NxRegion(10, 10), NxRegion(30, 15), NxRegion(50, 8)};
    // Internal boundaries at 20, 30, 45 and 50; windows [18,22) [28,32) [43,47) [48,52).
    QVector<qint64> inside{18, 19, 20, 21, 28, 29, 30, 31, 43, 44, 45, 46, 48, 49, 50, 51};
    QVector<qint64> outside{8, 9, 10, 11, 12, 17, 22, 25, 27, 32, 40, 42, 47, 52, 55, 56, 57, 58, 59};
    QVector<NxRegion> descending{exons[2], exons[1], exons[0]};
    for (bool complemented : {false, true}) {
        for (const auto& list : {exons, descending}) {
            for (qint64 p : inside) {
                EXPECT_TRUE(VPU::isInSpliceSite(list, p, 2, complemented)) << p;
            }
            for (qint64 p : outside) {
                EXPECT_FALSE(VPU::isInSpliceSite(list, p, 2, complemented)) << p;
            }
        }
    }
    EXPECT_TRUE(VPU::isInSpliceSite(exons, 19, 1, false));
    EXPECT_FALSE(VPU::isInSpliceSite(exons, 18, 1, false));
    EXPECT_FALSE(VPU::isInSpliceSite({NxRegion(10, 10)}, 19, 2, false));  // one exon: no internal boundary
    EXPECT_FALSE(VPU::isInSpliceSite({NxRegion(10, 10)}, 20, 2, true));
    EXPECT_FALSE(VPU::isInSpliceSite({}, 20, 2, false));
}

TEST(VariationIntronTest, IntronAndNearestExonWithAndWithoutASpliceSite) {
    QVector<NxRegion> exons{NxRegion(10, 10), NxRegion(30, 15), NxRegion(50, 8)};
    const NxRegion gene(10, 48);
    const NxRegion marker = VPU::noRegion();
    EXPECT_EQ(marker, NxRegion(0, std::numeric_limits<qint64>::max()));

    // Deep in the first intron: intron found, nearest exon and donor untouched.
    NxRegion nearest = marker;
    bool donor = false;
    EXPECT_EQ(VPU::getIntron(gene, exons, 25, nearest, donor), NxRegion(20, 10));
    EXPECT_EQ(nearest, marker);
    EXPECT_FALSE(donor);
    for (qint64 p : {20, 21}) {  // just after exon [10,20): donor side
        nearest = marker;
        donor = false;
        EXPECT_EQ(VPU::getIntron(gene, exons, p, nearest, donor), NxRegion(20, 10)) << p;
        EXPECT_EQ(nearest, NxRegion(10, 10)) << p;
        EXPECT_TRUE(donor) << p;
    }
    for (qint64 p : {28, 29}) {  // just before exon [30,45): acceptor side
        nearest = marker;
        donor = true;
        EXPECT_EQ(VPU::getIntron(gene, exons, p, nearest, donor), NxRegion(20, 10)) << p;
        EXPECT_EQ(nearest, NxRegion(30, 15)) << p;
        EXPECT_FALSE(donor) << p;
    }
    nearest = marker;
    donor = false;
    EXPECT_EQ(VPU::getIntron(gene, exons, 47, nearest, donor), NxRegion(45, 5));
    EXPECT_EQ(nearest, marker);  // 47 is three bases from either end of [45,50)
    // In an exon, before the first exon, outside the gene: no intron.
    for (qint64 p : {10, 15, 19, 30, 57, 5, 58, 100}) {
        nearest = marker;
        EXPECT_EQ(VPU::getIntron(gene, exons, p, nearest, donor), marker) << p;
        EXPECT_EQ(nearest, marker) << p;
    }
    // Exons in descending order give the same answer.
    QVector<NxRegion> descending{exons[2], exons[1], exons[0]};
    nearest = marker;
    EXPECT_EQ(VPU::getIntron(gene, descending, 49, nearest, donor), NxRegion(45, 5));
    EXPECT_EQ(nearest, NxRegion(50, 8));
    EXPECT_FALSE(donor);
}

TEST(VariationTranscriptionStartTest, DistanceUpstreamOnBothStrands) {
    Gene f = forwardGene();  // region [10,58): transcription starts at 10
    EXPECT_EQ(VPU::positionFromTranscriptionStart(f, snv(5, 'T', 'A')), 5);
    EXPECT_EQ(VPU::positionFromTranscriptionStart(f, snv(9, 'T', 'A')), 1);
    EXPECT_EQ(VPU::positionFromTranscriptionStart(f, snv(10, 'T', 'A')), 0);
    EXPECT_EQ(VPU::positionFromTranscriptionStart(f, snv(11, 'T', 'A')), -1);
    Gene r = reverseGene();  // region [10,55): transcription starts at 54
    EXPECT_EQ(VPU::positionFromTranscriptionStart(r, snv(60, 'T', 'A')), 6);
    EXPECT_EQ(VPU::positionFromTranscriptionStart(r, snv(54, 'T', 'A')), 0);
    EXPECT_EQ(VPU::positionFromTranscriptionStart(r, snv(53, 'T', 'A')), -1);
    EXPECT_EQ(VPU::positionFromTranscriptionStart(r, snv(5, 'T', 'A')), -1);
    EXPECT_EQ(VPU::positionFromTranscriptionStart(Gene(), snv(5, 'T', 'A')), -1);
}

TEST(VariationDamageEffectTest, ScoreComesFromTheMatrixRowOfTheCodon) {
    // Two rows; row 1 gives W (column 18) 0.25 and A (column 0) 0.75.
    QVector<std::array<float, DamageMatrix::AMINO_ACID_COUNT>> rows(2);
    rows[0].fill(-1.0f);
    rows[1].fill(0.5f);
    rows[1][18] = 0.25f;
    rows[1][0] = 0.75f;
    QByteArray m = DamageMatrix::encode(rows);
    EXPECT_FLOAT_EQ(VPU::getDEffectValue('W', 1, m, 2), 0.25f);
    EXPECT_FLOAT_EQ(VPU::getDEffectValue('A', 1, m, 2), 0.75f);
    EXPECT_FLOAT_EQ(VPU::getDEffectValue('K', 1, m, 2), 0.5f);
    EXPECT_FLOAT_EQ(VPU::getDEffectValue('W', 0, m, 2), -1.0f);
    EXPECT_FLOAT_EQ(VPU::getDEffectValue('W', 2, m, 2), -1.0f);
    EXPECT_FLOAT_EQ(VPU::getDEffectValue('*', 1, m, 2), -1.0f);
}
