// The evaluator against a reference database and a workflow database built through the real
// tables (SnpToolboxTestData): known effects, gene effects on both strands, splice sites, the
// all-or-nothing rule of a variation's gene effects, the gene queries of the report, and what an
// evaluator does when its set-up failed.
#include "SnpToolboxTestData.h"

#include "../DamageEffectEvaluator.h"

#include <tests/TableDump.h>

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DamageEffectDbi.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/DbiOperationsBlock.h>
#include <NxCore/dbi/NxObjectDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/log/Logger.h>
#include <NxCore/variation/DamageMatrix.h>
#include <NxPrivate/core/AppContextImpl.h>

#include <QFile>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>

using namespace Nx;
using namespace Nx::SnpToolboxTestData;

namespace {

// Score that the test matrix of GENE_FWD holds for an amino acid at a codon index.
float fwdScore(int codonIndex, char aminoAcid) {
    return codonIndex + DamageMatrix::column(aminoAcid) / 100.0f;
}

QStringList geneNames(const QList<DamageEffect>& effects) {
    QStringList names;
    for (const DamageEffect& e : effects) {
        names << e.affectedGeneName;
    }
    return names;
}

QStringList geneNames(const QList<Gene>& genes) {
    QStringList names;
    for (const Gene& g : genes) {
        names << g.getName();
    }
    return names;
}

int countMessages(const LogCapture& log, const QString& text) {
    int n = 0;
    for (const LogMessage& m : log.messages()) {
        n += m.text.contains(text) ? 1 : 0;
    }
    return n;
}

// Rows committed to the file, seen through a handle of its own.
qint64 committedEffectRows(const QString& path) {
    sqlite3* h = nullptr;
    qint64 n = -1;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(h, "SELECT COUNT(*) FROM DamageEffect", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW) {
            n = sqlite3_column_int64(st, 0);
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(h);
    return n;
}

class DamageEffectEvaluatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        AppContextImpl::getApplicationContext();
        ASSERT_TRUE(dbs.isValid());
        NxOpStatusImpl os;
        ASSERT_TRUE(dbs.buildReference(os)) << os.getError().toStdString();
    }

    // Opens both databases and an evaluator over them.
    void open() {
        NxOpStatusImpl os;
        reference.reset(new DbiConnection(dbs.referenceRef, false, os));
        session.reset(new DbiConnection(dbs.sessionRef, true, os));
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
        evaluator.reset(new DamageEffectEvaluator(session->dbi, reference->dbi, true));
    }

    NxVariantTrack addTrack(QList<NxVariant>& variants, const QString& chr = "chr1") {
        NxOpStatusImpl os;
        NxVariantTrack t = dbs.addTrack(variants, os, chr);
        EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
        return t;
    }

    QList<DamageEffect> stored(const NxVariant& v) {
        NxOpStatusImpl os;
        QList<DamageEffect> res;
        std::unique_ptr<NxDbiIterator<DamageEffect>> it(session->dbi->getDamageEffectDbi()->listEffects(v.id, os));
        EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
        while (it != nullptr && it->hasNext()) {
            res << it->next();
        }
        return res;
    }

    NxDataId sequenceId(const QString& name) {
        NxOpStatusImpl os;
        QList<NxDataId> ids = reference->dbi->getObjectDbi()->getObjectsByVisualName(name, NxObjectTypes::Sequence, os);
        EXPECT_EQ(ids.size(), 1) << name.toStdString();
        return ids.value(0);
    }

    bool needsGeneEvaluation(const NxVariant& v) {
        NxOpStatusImpl os;
        return session->dbi->getDamageEffectDbi()->needsGeneEvaluation(v.id, os);
    }

    QString publicId(const NxVariant& v) {
        NxOpStatusImpl os;
        return session->dbi->getVariantDbi()->getVariant(v.id, os).publicId;
    }

    void annotate(const QList<NxVariantTrack>& tracks) {
        NxOpStatusImpl os;
        evaluator->annotateTracks(tracks, DamageEffectEvaluator::Mode_All, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    }

    Databases dbs;
    // Destroyed in reverse order: the evaluator before the connections it borrows.
    std::unique_ptr<DbiConnection> reference;
    std::unique_ptr<DbiConnection> session;
    std::unique_ptr<DamageEffectEvaluator> evaluator;
};

}  // namespace

TEST_F(DamageEffectEvaluatorTest, KnownMutationGivesKnownEffectAndReplacesPublicId) {
    NxVariant matched = snv(KNOWN_POS, 'T', 'C');
    matched.publicId = "orig";
    NxVariant otherAllele = snv(KNOWN_POS, 'T', 'A');
    otherAllele.publicId = "keepA";
    NxVariant noKnownId = snv(125, 'G', 'A');
    noKnownId.publicId = "keep125";
    NxVariant caseDiffers = snv(NO_GENE_POS, 'C', 'T');
    caseDiffers.publicId = "keepCase";
    QList<NxVariant> vars = {matched, otherAllele, noKnownId, caseDiffers};
    NxVariantTrack track = addTrack(vars);
    open();
    annotate({track});

    QList<DamageEffect> m = stored(vars[0]);
    ASSERT_FALSE(m.isEmpty());
    const DamageEffect& known = m[0];
    EXPECT_TRUE(known.isKnownEffect());
    EXPECT_TRUE(known.hasKnownId);
    EXPECT_EQ(publicId(vars[0]), QString("rs121"));
    // The scores go over by name; the mutation's three extra scores are dropped.
    EXPECT_DOUBLE_EQ(known.avSift, 0.11);
    EXPECT_DOUBLE_EQ(known.lrt, 0.12);
    EXPECT_DOUBLE_EQ(known.phyloP, 0.13);
    EXPECT_DOUBLE_EQ(known.pp2, 0.14);
    EXPECT_DOUBLE_EQ(known.mutationTaster, 0.15);
    EXPECT_DOUBLE_EQ(known.genomes1000, 0.16);
    EXPECT_DOUBLE_EQ(known.gerpConserved, 0.19);
    EXPECT_DOUBLE_EQ(known.altAlleleFrequency, 0.20);
    EXPECT_DOUBLE_EQ(known.hapmap, 0.21);
    EXPECT_DOUBLE_EQ(known.gerpScore, 0.22);
    EXPECT_TRUE(known.inSegmentalDuplication);
    EXPECT_TRUE(known.inConservedRegion);
    EXPECT_DOUBLE_EQ(known.toleranceScore, -1.0);
    EXPECT_FALSE(known.damaging);
    // Known effect first, then the gene effects.
    EXPECT_EQ(geneNames(m).mid(1), QStringList({"GENE_FWD", "GENE_OVL"}));

    // Same position, another observed allele: no known effect, identifier kept.
    QList<DamageEffect> a = stored(vars[1]);
    EXPECT_EQ(geneNames(a), QStringList({"GENE_FWD", "GENE_OVL"}));
    EXPECT_EQ(publicId(vars[1]), QString("keepA"));

    // A mutation without identifier: known effect without hasKnownId, identifier kept; 125 lies
    // outside the "CR" region and just past the "SD" region.
    QList<DamageEffect> n = stored(vars[2]);
    ASSERT_FALSE(n.isEmpty());
    EXPECT_TRUE(n[0].isKnownEffect());
    EXPECT_FALSE(n[0].hasKnownId);
    EXPECT_DOUBLE_EQ(n[0].avSift, 0.31);
    EXPECT_FALSE(n[0].inSegmentalDuplication);
    EXPECT_FALSE(n[0].inConservedRegion);
    EXPECT_EQ(publicId(vars[2]), QString("keep125"));

    // Alleles that differ only in letter case do not match.
    EXPECT_TRUE(stored(vars[3]).isEmpty());
    EXPECT_EQ(publicId(vars[3]), QString("keepCase"));
}

TEST_F(DamageEffectEvaluatorTest, ForwardStrandCodonsGiveAminoAcidChangeAndMatrixScore) {
    // ATG>ACG (M>T), CTG>CTA (L>L, synonymous), GAA>GTA (E>V).
    ASSERT_EQ(sequenceAt(FWD_CODON0, 9), QByteArray("ATGCTGGAA"));
    QList<NxVariant> vars = {snv(121, 'T', 'C'), snv(125, 'G', 'A'), snv(127, 'A', 'T')};
    NxVariantTrack track = addTrack(vars);
    open();
    annotate({track});

    struct Expect {
        bool aaChanged;
        float score;
    } expected[] = {{true, fwdScore(0, 'T')}, {false, fwdScore(1, 'L')}, {true, fwdScore(2, 'V')}};
    for (int i = 0; i < vars.size(); ++i) {
        QList<DamageEffect> effects = stored(vars[i]);
        QList<DamageEffect> geneEffects;
        for (const DamageEffect& e : effects) {
            if (!e.isKnownEffect()) {
                geneEffects << e;
            }
        }
        ASSERT_EQ(geneNames(geneEffects), QStringList({"GENE_FWD", "GENE_OVL"})) << "variation " << i;
        const DamageEffect& fwd = geneEffects[0];
        EXPECT_TRUE(fwd.damaging) << "variation " << i;
        EXPECT_EQ(fwd.aminoAcidChanged, expected[i].aaChanged) << "variation " << i;
        EXPECT_DOUBLE_EQ(fwd.toleranceScore, static_cast<double>(expected[i].score)) << "variation " << i;
        EXPECT_DOUBLE_EQ(fwd.avSift, -1.0);
        // The overlapping non-coding transcript has no splice site here and no protein.
        EXPECT_FALSE(geneEffects[1].damaging);
        EXPECT_FALSE(geneEffects[1].aminoAcidChanged);
        EXPECT_DOUBLE_EQ(geneEffects[1].toleranceScore, -1.0);
        EXPECT_FALSE(needsGeneEvaluation(vars[i]));
    }
}

TEST_F(DamageEffectEvaluatorTest, ReverseStrandCodonIsComplementedAndMissingMatrixGivesMinusOne) {
    // Codon 1 of GENE_REV is mRNA TGG (W) from genomic 1264..1266 "CCA" read right to left.
    QList<NxVariant> vars = {snv(REV_CODON1_START, 'C', 'G'),       // mRNA TGC: W>C
                             snv(REV_CODON1_START + 1, 'C', 'T'),   // mRNA TAG: W>stop
                             snv(REV_CODON1_START + 2, 'A', 'G')};  // mRNA CGG: W>R
    NxVariantTrack track = addTrack(vars);
    open();
    annotate({track});
    for (int i = 0; i < vars.size(); ++i) {
        QList<DamageEffect> effects = stored(vars[i]);
        ASSERT_EQ(geneNames(effects), QStringList({"GENE_REV"})) << "variation " << i;
        EXPECT_TRUE(effects[0].damaging);
        EXPECT_TRUE(effects[0].aminoAcidChanged) << "variation " << i;
        // GENE_REV has no "DEAttribute_len".
        EXPECT_DOUBLE_EQ(effects[0].toleranceScore, -1.0);
    }

    // A synonymous change on the reverse strand: TGG has no synonym, so use codon 0's neighbour
    // in the other direction: genomic 1269 T>C turns mRNA ATG into GTG (M>V), still a change.
    QList<NxVariant> start = {snv(1269, 'T', 'C')};
    NxVariantTrack t2 = addTrack(start);
    annotate({t2});
    QList<DamageEffect> s = stored(start[0]);
    ASSERT_EQ(s.size(), 1);
    EXPECT_TRUE(s[0].aminoAcidChanged);
}

TEST_F(DamageEffectEvaluatorTest, OutsideTheProteinOnlySpliceSitesAreDamaging) {
    // GENE_FWD: exon 1 ends at 180, exon 2 starts at 250; 105 is 5' UTR inside exon 1.
    QList<NxVariant> vars = {snv(181, 'A', 'C'), snv(249, 'A', 'C'), snv(215, 'A', 'C'), snv(105, 'A', 'C')};
    NxVariantTrack track = addTrack(vars);
    open();
    annotate({track});
    QList<DamageEffect> nearDonor = stored(vars[0]);
    ASSERT_EQ(geneNames(nearDonor), QStringList({"GENE_FWD", "GENE_OVL"}));
    EXPECT_TRUE(nearDonor[0].damaging);
    EXPECT_FALSE(nearDonor[0].aminoAcidChanged);
    EXPECT_FALSE(nearDonor[1].damaging);

    QList<DamageEffect> nearAcceptor = stored(vars[1]);
    ASSERT_EQ(geneNames(nearAcceptor), QStringList({"GENE_FWD"}));
    EXPECT_TRUE(nearAcceptor[0].damaging);

    QList<DamageEffect> deepIntron = stored(vars[2]);
    ASSERT_EQ(geneNames(deepIntron), QStringList({"GENE_FWD"}));
    EXPECT_FALSE(deepIntron[0].damaging);

    QList<DamageEffect> utr = stored(vars[3]);
    ASSERT_EQ(geneNames(utr), QStringList({"GENE_FWD"}));
    EXPECT_FALSE(utr[0].damaging);
    EXPECT_DOUBLE_EQ(utr[0].toleranceScore, -1.0);
}

TEST_F(DamageEffectEvaluatorTest, VariationInNoGeneHasNoGeneEffectButIsMarked) {
    QList<NxVariant> vars = {snv(NO_GENE_POS, 'C', 'T')};
    NxVariantTrack track = addTrack(vars);
    open();
    ASSERT_TRUE(needsGeneEvaluation(vars[0]));
    annotate({track});
    EXPECT_TRUE(stored(vars[0]).isEmpty());
    EXPECT_FALSE(needsGeneEvaluation(vars[0]));
}

TEST_F(DamageEffectEvaluatorTest, TwoOverlappingGenesGiveTwoEffectsInTheHostsOrder) {
    QList<NxVariant> vars = {snv(150, 'A', 'G')};
    NxVariantTrack track = addTrack(vars);
    open();
    NxOpStatusImpl os;
    QList<Gene> hostOrder = evaluator->genesAtVariant(vars[0], sequenceId("chr1"), os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    annotate({track});
    QList<DamageEffect> effects = stored(vars[0]);
    ASSERT_EQ(effects.size(), 2);
    // Transcripts come by start: GENE_FWD (100) before GENE_OVL (110).
    EXPECT_EQ(geneNames(effects), QStringList({"GENE_FWD", "GENE_OVL"}));
    EXPECT_EQ(geneNames(effects), geneNames(hostOrder));
}

TEST_F(DamageEffectEvaluatorTest, MultiBaseVariationGetsKnownEffectOnlyAndNoMarks) {
    NxVariant twoBases;
    twoBases.startPos = 130;
    twoBases.endPos = 132;
    twoBases.refData = "AA";
    twoBases.obsData = "GT";
    QList<NxVariant> vars = {twoBases};
    NxVariantTrack track = addTrack(vars);
    open();
    annotate({track});
    QList<DamageEffect> effects = stored(vars[0]);
    ASSERT_EQ(effects.size(), 1);
    EXPECT_TRUE(effects[0].isKnownEffect());
    EXPECT_DOUBLE_EQ(effects[0].avSift, 0.61);
    EXPECT_EQ(publicId(vars[0]), QString("rs130"));
    // Never evaluated for genes, so still in need of it.
    EXPECT_TRUE(needsGeneEvaluation(vars[0]));
    NxOpStatusImpl os;
    EXPECT_TRUE(evaluator->damageEffects(vars[0], track, DamageEffectEvaluator::Mode_All, os).size() == 1);
}

TEST_F(DamageEffectEvaluatorTest, NegativeMatrixLengthIsLoggedStoresNothingAndIsTriedAgain) {
    QList<NxVariant> vars = {snv(NEG_CDS_POS, 'A', 'C')};
    NxVariantTrack track = addTrack(vars);
    open();
    LogCapture log;
    NxOpStatusImpl os;
    QList<DamageEffect> first = evaluator->damageEffects(vars[0], track, DamageEffectEvaluator::Mode_All, os);
    EXPECT_FALSE(os.hasError()) << "a bad matrix is no error of the run";
    EXPECT_TRUE(first.isEmpty());
    EXPECT_EQ(countMessages(log, "Damage effect matrix length < 0. Gene: GENE_NEG"), 1);
    EXPECT_TRUE(log.contains("Core Services", LogLevel_ERROR, "Damage effect matrix length < 0. Gene: GENE_NEG"));
    EXPECT_TRUE(stored(vars[0]).isEmpty());
    EXPECT_TRUE(needsGeneEvaluation(vars[0]));

    QList<DamageEffect> second = evaluator->damageEffects(vars[0], track, DamageEffectEvaluator::Mode_All, os);
    EXPECT_TRUE(second.isEmpty());
    EXPECT_EQ(countMessages(log, "Damage effect matrix length < 0. Gene: GENE_NEG"), 2);

    // Inside a whole-track run it is the same, and the run goes on.
    annotate({track});
    EXPECT_TRUE(stored(vars[0]).isEmpty());
    EXPECT_TRUE(needsGeneEvaluation(vars[0]));
}

TEST_F(DamageEffectEvaluatorTest, DamageEffectsTwiceEvaluatesOnceAndNeverLooksUpKnownMutations) {
    QList<NxVariant> vars = {snv(KNOWN_POS, 'T', 'C')};
    NxVariantTrack track = addTrack(vars);
    open();
    NxOpStatusImpl os;
    QList<DamageEffect> first = evaluator->damageEffects(vars[0], track, DamageEffectEvaluator::Mode_All, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    // Only gene effects: the known mutation at this position is not looked up here.
    EXPECT_EQ(geneNames(first), QStringList({"GENE_FWD", "GENE_OVL"}));
    EXPECT_EQ(publicId(vars[0]), QString());
    EXPECT_EQ(stored(vars[0]).size(), 2);

    QList<DamageEffect> second = evaluator->damageEffects(vars[0], track, DamageEffectEvaluator::Mode_All, os);
    ASSERT_EQ(second.size(), 2);
    EXPECT_EQ(geneNames(second), geneNames(first));
    EXPECT_DOUBLE_EQ(second[0].toleranceScore, first[0].toleranceScore);
    EXPECT_EQ(second[0].aminoAcidChanged, first[0].aminoAcidChanged);
    // The second answer is the stored records, and nothing new was stored.
    EXPECT_TRUE(second[0].hasValidId());
    EXPECT_EQ(stored(vars[0]).size(), 2);

    // Mode 1 never evaluates genes.
    QList<NxVariant> fresh = {snv(127, 'A', 'T')};
    NxVariantTrack t2 = addTrack(fresh);
    EXPECT_TRUE(evaluator->damageEffects(fresh[0], t2, DamageEffectEvaluator::Mode_KnownMutations, os).isEmpty());
    EXPECT_TRUE(needsGeneEvaluation(fresh[0]));
}

TEST_F(DamageEffectEvaluatorTest, GeneQueriesForTheReport) {
    open();
    NxDataId chr2 = sequenceId("chr2");
    NxOpStatusImpl os;
    EXPECT_EQ(geneNames(evaluator->genesAtVariant(snv(30, 'C', 'A'), chr2, os)), QStringList({"LEFT_REV"}));
    EXPECT_TRUE(evaluator->genesAtVariant(snv(PROMOTER_TEST_POS, 'C', 'A'), chr2, os).isEmpty());
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
    EXPECT_TRUE(evaluator->isInGene(snv(30, 'C', 'A'), chr2));
    EXPECT_FALSE(evaluator->isInGene(snv(PROMOTER_TEST_POS, 'C', 'A'), chr2));

    // A variation inside a gene regulates nothing.
    EXPECT_TRUE(evaluator->regulatedGenes(snv(30, 'C', 'A'), chr2).isEmpty());

    // At 200 the window before the variation starts at 0 and ends at the variation: the reverse
    // transcript LEFT_REV (its start, the right end, at 59) lies in it; RIGHT_REV, whose start lies
    // downstream of the variation, does not; the forward LEFT_FWD before it does not count. After
    // it, RIGHT_FWD starts within 1000 bases, FAR_FWD does not. Forward-strand genes come first.
    EXPECT_EQ(geneNames(evaluator->regulatedGenes(snv(PROMOTER_TEST_POS, 'C', 'A'), chr2)),
              QStringList({"RIGHT_FWD", "LEFT_REV"}));

    // Far from the chromosome start both windows are 1000 bases: [200, 1200) before 1200 holds
    // RIGHT_REV, [1200, 2200) after it holds FAR_FWD.
    EXPECT_EQ(geneNames(evaluator->regulatedGenes(snv(1200, 'C', 'A'), chr2)), QStringList({"FAR_FWD", "RIGHT_REV"}));
}

// The report's shortcut past variations far from every gene: it may only be taken where the
// regulatory rows are certainly empty and reading the effects would evaluate nothing.
TEST_F(DamageEffectEvaluatorTest, NoRegulatoryRowsOnlyFarFromGenesAndOnceEvaluated) {
    open();
    const NxDataId chr1 = sequenceId("chr1");
    QList<NxVariant> fresh{snv(3500, 'C', 'A')};
    NxVariant twoBases = snv(3600, 'C', 'A');
    twoBases.endPos = 3602;
    twoBases.refData = "CA";
    twoBases.obsData = "GT";
    fresh << twoBases;
    const NxVariantTrack freshTrack = addTrack(fresh);
    // Not evaluated yet: the full path must run and evaluate it. Two bases are never evaluated.
    EXPECT_FALSE(evaluator->hasNoRegulatoryRows(fresh[0], chr1));
    EXPECT_TRUE(evaluator->hasNoRegulatoryRows(fresh[1], chr1));

    QList<NxVariant> all = everyPosition("chr1", SEQUENCE_LENGTH);
    const NxVariantTrack track = addTrack(all);
    annotate({freshTrack, track});
    EXPECT_TRUE(evaluator->hasNoRegulatoryRows(fresh[0], chr1));
    // The last gene, GENE_NEG, ends at 2300: from 3300 on no gene lies within 1000 bases.
    int shortcuts = 0;
    for (const NxVariant& v : all) {
        const bool none = evaluator->hasNoRegulatoryRows(v, chr1);
        EXPECT_EQ(none, v.startPos >= 3300) << v.startPos;
        if (none) {
            ++shortcuts;
            EXPECT_FALSE(evaluator->isInGene(v, chr1)) << v.startPos;
            EXPECT_TRUE(evaluator->regulatedGenes(v, chr1).isEmpty()) << v.startPos;
        }
    }
    EXPECT_GT(shortcuts, 700);
    // Near the chromosome start the window before is clipped: chr2's genes all lie close by.
    EXPECT_FALSE(evaluator->hasNoRegulatoryRows(snv(PROMOTER_TEST_POS, 'C', 'A'), sequenceId("chr2")));
}

TEST_F(DamageEffectEvaluatorTest, EmptyTrackListStillFlushesAndFinishes) {
    QList<NxVariant> vars = {snv(127, 'A', 'T')};
    NxVariantTrack track = addTrack(vars);
    open();
    NxOpStatusImpl os;
    ASSERT_EQ(evaluator->damageEffects(vars[0], track, DamageEffectEvaluator::Mode_All, os).size(), 2);
    // The table buffers what it stores until the end of a run.
    ASSERT_EQ(committedEffectRows(dbs.sessionPath), 0) << "precondition: the two effects are still buffered";

    NxOpStatusImpl runOs;
    evaluator->annotateTracks({}, DamageEffectEvaluator::Mode_All, runOs);
    EXPECT_FALSE(runOs.hasError()) << runOs.getError().toStdString();
    EXPECT_EQ(runOs.getProgress(), 0);
    EXPECT_EQ(committedEffectRows(dbs.sessionPath), 2);
}

TEST_F(DamageEffectEvaluatorTest, TrackOfUnknownChromosomeIsLoggedAndGetsNoEffects) {
    QList<NxVariant> vars = {snv(KNOWN_POS, 'T', 'C')};
    NxVariantTrack track = addTrack(vars, "chrUn_weird");
    open();
    LogCapture log;
    annotate({track});
    EXPECT_TRUE(log.contains("Core Services", LogLevel_ERROR, "SequenceId is empty"));
    EXPECT_TRUE(stored(vars[0]).isEmpty());
    EXPECT_EQ(publicId(vars[0]), QString());
}

TEST_F(DamageEffectEvaluatorTest, FailedSetUpLeavesAnInertEvaluator) {
    open();
    QList<NxVariant> vars = {snv(KNOWN_POS, 'T', 'C')};
    NxVariantTrack track = addTrack(vars);

    {
        LogCapture log;
        DamageEffectEvaluator noSession(nullptr, reference->dbi, true);
        EXPECT_TRUE(log.contains("Core Services", LogLevel_ERROR, "Trying to recover from error: Session Dbi is null"));
        NxOpStatusImpl os;
        noSession.annotateTracks({track}, DamageEffectEvaluator::Mode_All, os);
        EXPECT_TRUE(os.hasError()) << "no workflow tables to write to must be an error, not a crash";
        // The reference side still answers the report's gene queries.
        EXPECT_TRUE(noSession.isInGene(snv(150, 'A', 'G'), sequenceId("chr1")));
    }
    {
        LogCapture log;
        DamageEffectEvaluator noDatabase(session->dbi, nullptr, true);
        EXPECT_TRUE(log.contains("Core Services", LogLevel_ERROR, "DataBase Dbi is null"));
        NxOpStatusImpl os;
        noDatabase.annotateTracks({track}, DamageEffectEvaluator::Mode_All, os);
        EXPECT_EQ(os.getError(), QString("Feature Dbi is null"));
        NxOpStatusImpl os2;
        EXPECT_TRUE(noDatabase.damageEffects(vars[0], track, DamageEffectEvaluator::Mode_All, os2).isEmpty());
        EXPECT_EQ(os2.getError(), QString("Feature Dbi is null"));
        EXPECT_FALSE(noDatabase.isInGene(vars[0], NxDataId()));
        EXPECT_TRUE(noDatabase.regulatedGenes(vars[0], NxDataId()).isEmpty());
    }
    {
        // Without the standard DNA alphabet nothing is attached, whatever the connections.
        AppContextImpl* ctx = AppContextImpl::getApplicationContext();
        DNAAlphabetRegistry* alphabets = AppContext::getDNAAlphabetRegistry();
        ctx->setDNAAlphabetRegistry(nullptr);
        LogCapture log;
        DamageEffectEvaluator inert(session->dbi, reference->dbi, true);
        ctx->setDNAAlphabetRegistry(alphabets);
        EXPECT_TRUE(log.contains("Core Services", LogLevel_ERROR, "No Alphabet"));
        NxOpStatusImpl os;
        inert.annotateTracks({track}, DamageEffectEvaluator::Mode_All, os);
        EXPECT_EQ(os.getError(), QString("Feature Dbi is null"));
    }
    // None of them wrote anything.
    EXPECT_TRUE(stored(vars[0]).isEmpty());
    EXPECT_EQ(publicId(vars[0]), QString());
}

TEST_F(DamageEffectEvaluatorTest, ProgressIsSetBeforeEachVariationAndCancelStopsTheTrack) {
    QList<NxVariant> vars = {snv(121, 'T', 'C'), snv(125, 'G', 'A'), snv(127, 'A', 'T'), snv(NO_GENE_POS, 'C', 'T')};
    NxVariantTrack track = addTrack(vars);
    open();
    NxOpStatusImpl os;
    evaluator->annotateTracks({track}, DamageEffectEvaluator::Mode_All, os);
    ASSERT_FALSE(os.hasError());
    // The last value is set before the fourth variation is counted: 3 * 100 / 4.
    EXPECT_EQ(os.getProgress(), 75);

    // A canceled run touches no variation of the track but still ends the run on the table.
    QList<NxVariant> more = {snv(150, 'A', 'G')};
    NxVariantTrack t2 = addTrack(more);
    NxOpStatusImpl canceled;
    canceled.setCanceled(true);
    evaluator->annotateTracks({t2}, DamageEffectEvaluator::Mode_All, canceled);
    EXPECT_TRUE(needsGeneEvaluation(more[0]));
    EXPECT_TRUE(stored(more[0]).isEmpty());
}

namespace {

// What an annotation leaves in a fresh workflow database: effects with their row ids, marks and
// the variations' public ids.
QStringList annotateEverything(bool pipelined, int threads = 0, qint64 partVariations = 16384) {
    Databases dbs;
    NxOpStatusImpl os;
    EXPECT_TRUE(dbs.buildReference(os)) << os.getError().toStdString();
    QList<NxVariant> chr1 = everyPosition("chr1", SEQUENCE_LENGTH);
    chr1 << snv(KNOWN_POS, 'T', 'C') << snv(125, 'G', 'A') << snv(NO_GENE_POS, 'C', 'T');
    QList<NxVariant> chr2 = everyPosition("chr2", 2000);
    const QList<NxVariantTrack> tracks{dbs.addTrack(chr1, os), dbs.addTrack(chr2, os, "chr2")};
    {
        DbiConnection reference(dbs.referenceRef, false, os);
        DbiConnection session(dbs.sessionRef, false, os);
        EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
        DamageEffectEvaluator evaluator(session.dbi, reference.dbi, true);
        evaluator.setPipelined(pipelined, threads, partVariations);
        evaluator.annotateTracks(tracks, DamageEffectEvaluator::Mode_All, os);
        EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
        EXPECT_EQ(os.getProgress(), 99);
    }
    return TableDump::rows(dbs.sessionPath, "SELECT * FROM DamageEffect ORDER BY id") +
           TableDump::rows(dbs.sessionPath, "SELECT * FROM DamageEffectMark ORDER BY variant") +
           TableDump::rows(dbs.sessionPath, "SELECT id, publicId FROM Variant WHERE publicId != '' ORDER BY id");
}

}  // namespace

// Evaluating on other threads while writing on this one leaves the database exactly as one thread
// does: the same rows with the same row ids, over many parts and two tracks, with known
// mutations, public ids, multi-base variations and variations whose evaluation fails.
TEST(AnnotationPipelineTest, TwoThreadsLeaveTheDatabaseAsOneThreadDoes) {
    AppContextImpl::getApplicationContext();
    const QStringList single = annotateEverything(false);
    EXPECT_GT(single.size(), 8000);
    EXPECT_TRUE(single.filter("rs121").size() >= 2);
    // One evaluating thread, then several over many small parts.
    for (const QPair<int, qint64>& run : {qMakePair(1, qint64(16384)), qMakePair(3, qint64(97)), qMakePair(2, qint64(1))}) {
        const QStringList pipelined = annotateEverything(true, run.first, run.second);
        ASSERT_EQ(pipelined.size(), single.size()) << run.first << " threads, parts of " << run.second;
        for (int i = 0; i < single.size(); ++i) {
            ASSERT_EQ(pipelined[i], single[i]) << "row " << i << ", " << run.first << " threads, parts of " << run.second;
        }
    }
}

// A track the caller has not committed yet is seen only through the caller's connection: the
// evaluation stays on the caller's thread and still finds every variation.
TEST_F(DamageEffectEvaluatorTest, UncommittedTrackOfTheCallerIsAnnotatedToo) {
    open();
    evaluator->setPipelined(true, 2, 10);
    NxOpStatusImpl os;
    {
        DbiOperationsBlock block(dbs.sessionRef, os);
        QList<NxVariant> vars = everyPosition("chr1", 400);
        vars << snv(KNOWN_POS, 'T', 'C');
        NxVariantTrack track = addTrack(vars);
        evaluator->annotateTracks({track}, DamageEffectEvaluator::Mode_All, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
        EXPECT_EQ(stored(vars.last()).size(), 3);  // the known record and two gene records
        EXPECT_FALSE(needsGeneEvaluation(vars.first()));
    }
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
}
