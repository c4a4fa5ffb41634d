// Location texts, effect cells and report rows of VariationInfo over real reference and workflow
// databases: hand-placed genes on both strands (ReportTestData) for the location rules, the
// annotated codons and known mutations of SnpToolboxTestData for the cells.
#include "ReportTestData.h"
#include "SnpToolboxTestData.h"

#include "../DamageEffectEvaluator.h"
#include "../VariationInfo.h"

#include <NxCore/attributes/NxAttributeUtils.h>
#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DamageEffectDbi.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/NxObjectDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxPrivate/core/AppContextImpl.h>

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace Nx;

namespace {

NxVariant snvAt(qint64 pos, const QByteArray& ref = "A", const QByteArray& obs = "G", const QString& id = QString()) {
    NxVariant v;
    v.startPos = pos;
    v.endPos = pos + 1;
    v.refData = ref;
    v.obsData = obs;
    v.publicId = id;
    return v;
}

// A reference, a workflow database with one track of the given variations, and an evaluator.
class ReportFixture {
public:
    ~ReportFixture() {
        evaluator.reset();
        session.reset();
        reference.reset();
    }

    void open(const QString& referencePath, QList<NxVariant>& variants, const QString& sessionPath,
              const QString& chr = "chr1") {
        NxOpStatusImpl os;
        const NxDbiRef sessionRef(SQLITE_DBI_ID, sessionPath);
        reference.reset(new DbiConnection(NxDbiRef(SQLITE_DBI_ID, referencePath), false, os));
        session.reset(new DbiConnection(sessionRef, true, os));
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
        track.visualName = chr;
        track.sequenceName = chr;
        session->dbi->getVariantDbi()->createVariantTrack(track, os);
        session->dbi->getVariantDbi()->addVariantsToTrack(track, variants, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
        evaluator.reset(new DamageEffectEvaluator(session->dbi, reference->dbi, true));
        QList<NxDataId> ids = reference->dbi->getObjectDbi()->getObjectsByVisualName(chr, NxObjectTypes::Sequence, os);
        sequenceId = ids.value(0);
    }

    void annotate() {
        NxOpStatusImpl os;
        evaluator->annotateTracks({track}, DamageEffectEvaluator::Mode_All, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    }

    // chromosome: the name given to VariationInfo (empty: read from the reference).
    std::unique_ptr<VariationInfo> info(const NxVariant& v, bool loadEffects = true, const QString& chromosome = "chr1") {
        std::unique_ptr<VariationInfo> vi(new VariationInfo(v, sequenceId, reference->dbi->getSequenceDbi(),
                                                            session->dbi->getAttributeDbi(), chromosome));
        vi->init(session->dbi->getVariantDbi(), evaluator, loadEffects);
        return vi;
    }

    std::unique_ptr<DbiConnection> reference;
    std::unique_ptr<DbiConnection> session;
    QSharedPointer<DamageEffectEvaluator> evaluator;
    NxVariantTrack track;
    NxDataId sequenceId;
};

// Genes laid out for the location rules (0-based, half-open).
QList<Gene> locationGenes() {
    using ReportTestData::makeGene;
    return {
        // Forward: first exon non-coding, inner exon coding, last exon after the coding region.
        makeGene("T_FWD", "FWD", NxRegion(400, 1700), NxRegion(1000, 1000),
                 {NxRegion(400, 200), NxRegion(1500, 100), NxRegion(2000, 100)}, false),
        // Forward with a coding region running past its last exon.
        makeGene("T_TAIL", "TAIL", NxRegion(2500, 300), NxRegion(2550, 200), {NxRegion(2500, 100), NxRegion(2650, 50)},
                 false),
        // Complement, three exons.
        makeGene("T_REV", "REV", NxRegion(3500, 1000), NxRegion(3550, 900),
                 {NxRegion(3500, 100), NxRegion(3800, 100), NxRegion(4400, 100)}, true),
        makeGene("T_ONE", "ONE", NxRegion(4600, 100), NxRegion(4610, 80), {NxRegion(4600, 100)}, false),
        makeGene("T_ONER", "ONER", NxRegion(4800, 100), NxRegion(4810, 80), {NxRegion(4800, 100)}, true),
        makeGene("T_FR", "FRX1", NxRegion(5000, 100), NxRegion(5000, 99), {NxRegion(5000, 100)}, false),
        makeGene("T_FRL", "frx2", NxRegion(5200, 100), NxRegion(5200, 99), {NxRegion(5200, 100)}, false),
    };
}

class VariationInfoLocationTest : public ::testing::Test {
protected:
    void SetUp() override {
        AppContextImpl::getApplicationContext();
        ASSERT_TRUE(dir.isValid());
        NxOpStatusImpl os;
        ASSERT_TRUE(ReportTestData::buildReference(dir.filePath("ref.s3db"), ReportTestData::randomBases(6000),
                                                   locationGenes(), {}, os))
            << os.getError().toStdString();
    }

    QString location(qint64 pos, const QString& gene) {
        QList<NxVariant> variants{snvAt(pos)};
        ReportFixture f;
        f.open(dir.filePath("ref.s3db"), variants, dir.filePath(QString("s%1.s3db").arg(counter++)));
        return f.info(variants[0], false)->getLocation(gene);
    }

    QTemporaryDir dir;
    int counter = 0;
};

TEST_F(VariationInfoLocationTest, ForwardGeneExonsIntronsAndSpliceWindows) {
    const QList<QPair<qint64, QString>> cases{
        {1500, "CDS. Exon: 1501..1600. Acceptor splice-site."},  // s
        {1501, "CDS. Exon: 1501..1600. Acceptor splice-site."},  // s+1
        {1502, "CDS. Exon: 1501..1600"},                         // s+2 is outside the window
        {1550, "CDS. Exon: 1501..1600"},
        {1598, "CDS. Exon: 1501..1600. Donor splice-site."},     // e-2
        {1599, "CDS. Exon: 1501..1600. Donor splice-site."},
        {1597, "CDS. Exon: 1501..1600"},                         // e-3
        // s-2, e and e+1 lie in introns: the intron's splice text; s-3 and e+2 are plain intron.
        {1498, "CDS. Acceptor splice-site of the intron 601..1500, nearest exon is: 1501..1600"},
        {1497, "CDS. Intron: 601..1500"},
        {1600, "CDS. Donor splice-site of the intron 1601..2000, nearest exon is: 1501..1600"},
        {1601, "CDS. Donor splice-site of the intron 1601..2000, nearest exon is: 1501..1600"},
        {1602, "CDS. Intron: 1601..2000"},
        // The first exon's start is the transcript's own start: no splice site there.
        {400, "Out of CDS. 5'-end of gene. Non-coding exon: 401..600"},
        {500, "Out of CDS. 5'-end of gene. Non-coding exon: 401..600"},
        {598, "Out of CDS. 5'-end of gene. Non-coding exon: 401..600. Donor splice-site."},
        {601, "Out of CDS. 5'-end of gene. Donor splice-site of the intron 601..1500, nearest exon is: 401..600"},
        {700, "Out of CDS. 5'-end of gene. Intron: 601..1500"},
        {2000, "Out of CDS. 3'-end of gene. Non-coding exon: 2001..2100. Acceptor splice-site."},
        {2099, "Out of CDS. 3'-end of gene. Non-coding exon: 2001..2100"},  // the transcript's end
        {399, "Out of gene"},
        {2100, "Out of gene"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(location(c.first, "FWD"), c.second) << "position " << c.first;
    }
    EXPECT_EQ(location(1550, "NOT_THERE"), "Out of gene");
}

TEST_F(VariationInfoLocationTest, CodingRegionBeyondTheExonsAndPartlyCodingExons) {
    EXPECT_EQ(location(2720, "TAIL"), "CDS. Intron.");
    EXPECT_EQ(location(2510, "TAIL"), "Out of CDS. 5'-end of gene. Non-coding part of 3'-coding exon: 2501..2600");
}

TEST_F(VariationInfoLocationTest, ComplementGeneSeesItsExonsInTranscriptOrder) {
    const QList<QPair<qint64, QString>> cases{
        // The transcript's 5' end (highest exon end) and 3' end (lowest exon start) are skipped.
        {4498, "Out of CDS. 5'-end of gene. Non-coding part of 3'-coding exon: 4401..4500"},
        {3500, "Out of CDS. 3'-end of gene. Non-coding part of 5'-coding exon: 3501..3600"},
        // Inner boundaries: exon starts are donors, exon ends acceptors on this strand.
        {4400, "CDS. Exon: 4401..4500. Donor splice-site."},
        {3800, "CDS. Exon: 3801..3900. Donor splice-site."},
        {3899, "CDS. Exon: 3801..3900. Acceptor splice-site."},
        {3598, "CDS. Exon: 3501..3600. Acceptor splice-site."},
        {3597, "CDS. Exon: 3501..3600"},
        // Intron ends: the forward-strand donor flag is inverted.
        {3600, "CDS. Acceptor splice-site of the intron 3601..3800, nearest exon is: 3501..3600"},
        {3799, "CDS. Donor splice-site of the intron 3601..3800, nearest exon is: 3801..3900"},
        {3700, "CDS. Intron: 3601..3800"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(location(c.first, "REV"), c.second) << "position " << c.first;
    }
}

TEST_F(VariationInfoLocationTest, SingleExonGenesHaveNoSpliceSitesOnEitherStrand) {
    EXPECT_EQ(location(4600, "ONE"), "Out of CDS. 5'-end of gene. Non-coding part of 3'-coding exon: 4601..4700");
    EXPECT_EQ(location(4699, "ONE"), "Out of CDS. 3'-end of gene. Non-coding part of 5'-coding exon: 4601..4700");
    EXPECT_EQ(location(4650, "ONE"), "CDS. Exon: 4601..4700");
    EXPECT_EQ(location(4801, "ONER"), "Out of CDS. 3'-end of gene. Non-coding part of 5'-coding exon: 4801..4900");
    EXPECT_EQ(location(4898, "ONER"), "Out of CDS. 5'-end of gene. Non-coding part of 3'-coding exon: 4801..4900");
}

TEST_F(VariationInfoLocationTest, OnlyUpperCaseFrNamesLoseTheCdsPiece) {
    EXPECT_EQ(location(5050, "FRX1"), "Exon: 5001..5100");
    EXPECT_EQ(location(5099, "FRX1"), "3'-end of gene. Non-coding part of 5'-coding exon: 5001..5100");
    EXPECT_EQ(location(5250, "frx2"), "CDS. Exon: 5201..5300");
}

TEST_F(VariationInfoLocationTest, UnsetEndCountsAsOneBase) {
    NxVariant unsetEnd = snvAt(1500);
    unsetEnd.endPos = 0;
    QList<NxVariant> variants{unsetEnd};
    ReportFixture f;
    f.open(dir.filePath("ref.s3db"), variants, dir.filePath("unset.s3db"));
    EXPECT_EQ(f.info(variants[0], false)->getLocation("FWD"), "CDS. Exon: 1501..1600. Acceptor splice-site.");
}

TEST_F(VariationInfoLocationTest, WithoutEvaluatorNothingIsLoaded) {
    QList<NxVariant> variants{snvAt(1550)};
    ReportFixture f;
    f.open(dir.filePath("ref.s3db"), variants, dir.filePath("noev.s3db"));
    VariationInfo vi(variants[0], f.sequenceId, f.reference->dbi->getSequenceDbi(), nullptr, "chr1");
    vi.init(f.session->dbi->getVariantDbi(), QSharedPointer<DamageEffectEvaluator>(), true);
    EXPECT_FALSE(vi.areGenesLoaded());
    EXPECT_EQ(vi.getLocation("FWD"), "Out of gene");
    vi.init(nullptr, f.evaluator, true);  // no variant table: logged, nothing loaded
    EXPECT_FALSE(vi.areGenesLoaded());
    EXPECT_TRUE(vi.getInGeneRows().isEmpty());
}

// ---- Effect cells over the annotated test reference ---------------------------------------------

class VariationInfoCellsTest : public ::testing::Test {
protected:
    void SetUp() override {
        AppContextImpl::getApplicationContext();
        NxOpStatusImpl os;
        ASSERT_TRUE(dbs.buildReference(os)) << os.getError().toStdString();
    }

    // Stores effect records by hand and marks the variation evaluated, so they are all it has.
    void storeEffects(ReportFixture& f, const NxVariant& v, QList<DamageEffect> records) {
        NxOpStatusImpl os;
        DamageEffectDbi* dbi = f.session->dbi->getDamageEffectDbi();
        for (DamageEffect& r : records) {
            r.variant = v.id;
            dbi->storeEffect(r, os);
        }
        dbi->markGeneEvaluated(v.id, os);
        dbi->markKnownChecked(v.id, os);
        dbi->flushEffects(os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    }

    SnpToolboxTestData::Databases dbs;
};

DamageEffect knownRecord(double sift) {
    DamageEffect e;
    e.avSift = sift;
    return e;
}

TEST_F(VariationInfoCellsTest, CodonsOnBothStrandsAndKnownScores) {
    QList<NxVariant> variants{snvAt(SnpToolboxTestData::KNOWN_POS, "T", "C"),
                              snvAt(SnpToolboxTestData::REV_CODON1_START, "C", "T")};
    ReportFixture f;
    f.open(dbs.referencePath, variants, dbs.sessionPath);
    f.annotate();

    ColumnValues fwd;
    f.info(variants[0])->fillEffectColumns("GENE_FWD", &fwd);
    EXPECT_EQ(fwd.value(ReportColumn_Codon), "ATG->ACG");
    EXPECT_EQ(fwd.value(ReportColumn_Substitution), "M1T");
    EXPECT_FALSE(fwd.contains(ReportColumn_Protein));  // no accession
    // Known mutation 121 T>C: scores 0.1 + 0.01 * (1 .. 13) in record order; in "SD" and "CR".
    EXPECT_EQ(fwd.value(ReportColumn_SiftEffect), "Tolerated");
    EXPECT_EQ(fwd.value(ReportColumn_SiftScore), "0.11");
    EXPECT_EQ(fwd.value(ReportColumn_Lrt), "0.12");
    EXPECT_EQ(fwd.value(ReportColumn_PhyloP), "0.13");
    EXPECT_EQ(fwd.value(ReportColumn_PolyPhen2), "0.14");
    EXPECT_EQ(fwd.value(ReportColumn_MutationTaster), "0.15");
    EXPECT_EQ(fwd.value(ReportColumn_Genomes1000), "0.16");
    EXPECT_EQ(fwd.value(ReportColumn_AltAllele), "0.2");
    EXPECT_EQ(fwd.value(ReportColumn_Hapmap), "0.21");
    EXPECT_EQ(fwd.value(ReportColumn_GerpScore), "0.22");
    EXPECT_EQ(fwd.value(ReportColumn_SegmentalDupl), "+");
    EXPECT_EQ(fwd.value(ReportColumn_ConservedReg), "+");

    // The overlapping non-coding transcript: known cells, no codon.
    ColumnValues ovl;
    f.info(variants[0])->fillEffectColumns("GENE_OVL", &ovl);
    EXPECT_FALSE(ovl.contains(ReportColumn_Codon));
    EXPECT_EQ(ovl.value(ReportColumn_SiftScore), "0.11");

    // Reverse strand: genomic CCA at 1264..1266 is mRNA TGG (W, codon 2); C>T at 1264 gives TGA.
    ColumnValues rev;
    f.info(variants[1])->fillEffectColumns("GENE_REV", &rev);
    EXPECT_EQ(rev.value(ReportColumn_Codon), "TGG->TGA");
    EXPECT_EQ(rev.value(ReportColumn_Substitution), "W2*");
    EXPECT_FALSE(rev.contains(ReportColumn_SiftEffect));  // no known mutation there
}

TEST_F(VariationInfoCellsTest, SiftVerdictsAndRecordOrder) {
    // 2600 lies in no gene; 105 in GENE_FWD's first exon before its coding region.
    QList<NxVariant> variants{snvAt(2600), snvAt(2601), snvAt(105), snvAt(106), snvAt(2602)};
    ReportFixture f;
    f.open(dbs.referencePath, variants, dbs.sessionPath);
    storeEffects(f, variants[0], {knownRecord(0.05)});
    storeEffects(f, variants[1], {knownRecord(-1)});
    DamageEffect gene;
    gene.affectedGeneName = "gene_fwd";  // matched ignoring case
    storeEffects(f, variants[2], {gene, knownRecord(0.01)});
    storeEffects(f, variants[3], {knownRecord(0.01), gene});
    storeEffects(f, variants[4], {knownRecord(0.049)});

    ColumnValues boundary;
    f.info(variants[0])->fillEffectColumns("", &boundary);
    EXPECT_EQ(boundary.value(ReportColumn_SiftEffect), "Tolerated");
    EXPECT_EQ(boundary.value(ReportColumn_SiftScore), "0.05");
    EXPECT_FALSE(boundary.contains(ReportColumn_Lrt));  // -1: no cell

    ColumnValues unknown;
    f.info(variants[1])->fillEffectColumns("", &unknown);
    EXPECT_EQ(unknown.value(ReportColumn_SiftEffect), "Unknown");
    EXPECT_FALSE(unknown.contains(ReportColumn_SiftScore));

    ColumnValues after;
    f.info(variants[2])->fillEffectColumns("GENE_FWD", &after);
    EXPECT_FALSE(after.contains(ReportColumn_SiftEffect));  // known record after the gene's is ignored

    ColumnValues before;
    f.info(variants[3])->fillEffectColumns("GENE_FWD", &before);
    EXPECT_EQ(before.value(ReportColumn_SiftEffect), "Damaging");

    ColumnValues damaging;
    f.info(variants[4])->fillEffectColumns("", &damaging);
    EXPECT_EQ(damaging.value(ReportColumn_SiftEffect), "Damaging");
}

TEST_F(VariationInfoCellsTest, IncompleteLastCodonGivesNoCellsAtAll) {
    // GENE_FWD codes 60 + 50 bases: its last two coding bases (298, 299) are no whole codon.
    QList<NxVariant> variants{snvAt(299)};
    ReportFixture f;
    f.open(dbs.referencePath, variants, dbs.sessionPath);
    storeEffects(f, variants[0], {knownRecord(0.5)});
    ColumnValues cells;
    f.info(variants[0])->fillEffectColumns("GENE_FWD", &cells);
    EXPECT_TRUE(cells.isEmpty());
    // Without the sequence table nothing is filled either.
    VariationInfo noSequences(variants[0], f.sequenceId, nullptr, nullptr, "chr1");
    noSequences.init(f.session->dbi->getVariantDbi(), f.evaluator, true);
    ColumnValues none;
    noSequences.fillEffectColumns("GENE_FWD", &none);
    EXPECT_TRUE(none.isEmpty());
}

TEST_F(VariationInfoCellsTest, FrGenesGetNoCodonCells) {
    QTemporaryDir dir;
    QByteArray bases = ReportTestData::randomBases(6000);
    bases.replace(5000, 3, "ATG");
    bases.replace(5200, 3, "ATG");
    NxOpStatusImpl os;
    ASSERT_TRUE(ReportTestData::buildReference(dir.filePath("ref.s3db"), bases, locationGenes(), {}, os));
    QList<NxVariant> variants{snvAt(5001, "T", "C"), snvAt(5201, "T", "C")};
    ReportFixture f;
    f.open(dir.filePath("ref.s3db"), variants, dir.filePath("s.s3db"));
    ColumnValues upper;
    f.info(variants[0])->fillEffectColumns("FRX1", &upper);
    EXPECT_FALSE(upper.contains(ReportColumn_Codon));
    ColumnValues lower;
    f.info(variants[1])->fillEffectColumns("frx2", &lower);
    EXPECT_EQ(lower.value(ReportColumn_Codon), "ATG->ACG");
    EXPECT_EQ(lower.value(ReportColumn_Substitution), "M1T");
}

// ---- Headers and rows -------------------------------------------------------------------------

TEST(VariationInfoTableTest, HeadersNameEveryColumnOnce) {
    VariationInfo vi(NxVariant(), NxDataId(), nullptr, nullptr, "chr1");
    const QString inGene = vi.getInGeneHeader();
    EXPECT_TRUE(inGene.startsWith("#Chr\tPosition\tAllele\tdbSNP\tGene\tClinical_significance\tLocation\t"));
    EXPECT_TRUE(inGene.endsWith("\talt_allele\thapmap\tgerpScore\n"));
    EXPECT_EQ(inGene.count('\t'), 24);
    EXPECT_EQ(vi.getRegulatoryHeader(),
              "#Chr\tPosition\tAllele\tdbSNP\tPromoter_of_Gene\tClinical_significance\tFrom_transcroption_start\t"
              "rSNPTools_factors\tChIPTools\tTATATool\t1000genomes\tsegmental_dupl\tconserved_reg\talt_allele\thapmap\t"
              "gerpScore\n");
}

class VariationInfoRowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        AppContextImpl::getApplicationContext();
        ASSERT_TRUE(dir.isValid());
        using ReportTestData::makeGene;
        QList<Gene> genes{
            makeGene("T_A1", "GA", NxRegion(1000, 500), NxRegion(1100, 300), {NxRegion(1000, 500)}, false, "ALT_A",
                     "P12345", "  Anaemia  "),
            // A second transcript under the same name that starts coding later and splices out
            // 1300..1349: its row must describe itself, not the first transcript of the name.
            makeGene("T_A2", "GA", NxRegion(1000, 500), NxRegion(1161, 289), {NxRegion(1000, 300), NxRegion(1350, 150)},
                     false, "ALT_A", "P12345", "  Anaemia  "),
            makeGene("T_B", "GB", NxRegion(1200, 100), NxRegion(), {NxRegion(1200, 100)}, false),
            makeGene("T_P", "PROM", NxRegion(3000, 200), NxRegion(3050, 90), {NxRegion(3000, 200)}, false),
            makeGene("T_Q", "PROMREV", NxRegion(2000, 300), NxRegion(), {NxRegion(2000, 300)}, true),
        };
        NxOpStatusImpl os;
        ASSERT_TRUE(ReportTestData::buildReference(dir.filePath("ref.s3db"), ReportTestData::randomBases(6000), genes,
                                                   {}, os));
    }
    QTemporaryDir dir;
};

TEST_F(VariationInfoRowsTest, InGeneRowsCellsAndStoredAnswers) {
    const QByteArray bases = ReportTestData::randomBases(6000);
    auto other = [&bases](int pos) { return QByteArray(bases.at(pos) == 'G' ? "C" : "G"); };
    QList<NxVariant> variants{snvAt(0, "C", "T", "RS1"), snvAt(1250, bases.mid(1250, 1), other(1250), "rs77"),
                              snvAt(1320, bases.mid(1320, 1), other(1320))};
    ReportFixture f;
    f.open(dir.filePath("ref.s3db"), variants, dir.filePath("s.s3db"));
    f.annotate();
    NxOpStatusImpl os;
    NxAttributeDbi* attrs = f.session->dbi->getAttributeDbi();
    NxAttributeUtils::setStringAttribute(attrs, variants[1].id, "STABILITY_1D:T_A2", "-0.4", os);
    NxAttributeUtils::setStringAttribute(attrs, variants[1].id, "PDB_SITE:T_A1", "", os);  // empty: "-"
    ASSERT_FALSE(os.hasError());

    EXPECT_TRUE(f.info(variants[0])->getInGeneRows().isEmpty());

    const QStringList rows = f.info(variants[1])->getInGeneRows();
    ASSERT_EQ(rows.size(), 3);
    QStringList a1 = rows[0].split('\t');
    QStringList a2 = rows[1].split('\t');
    QStringList b = rows[2].split('\t');
    ASSERT_EQ(a1.size(), 25);
    ASSERT_EQ(b.size(), 25);
    const QString allele = QString::fromLatin1(variants[1].refData + "/" + variants[1].obsData);
    EXPECT_EQ(a1.mid(0, 7), QStringList({"chr1", "1251", allele, "rs77", "ALT_A", "Anaemia", "CDS. Exon: 1001..1500"}));
    EXPECT_EQ(a1[7], "P12345");
    EXPECT_EQ(a1[12], "-");  // ProtStability1D of T_A1: none stored
    EXPECT_EQ(a2[12], "-0.4");
    EXPECT_EQ(a1[14], "-");  // stored but empty
    // Same gene name, each transcript its own cells: 1250 is the first base of codon 51 of T_A1
    // and the last base of codon 30 of T_A2.
    EXPECT_EQ(a1.mid(0, 6), a2.mid(0, 6));
    EXPECT_EQ(a2[6], "CDS. Exon: 1001..1300");
    EXPECT_EQ(a1[8].left(5), QString::fromLatin1(bases.mid(1250, 3)) + "->");
    EXPECT_EQ(a2[8].left(5), QString::fromLatin1(bases.mid(1248, 3)) + "->");
    EXPECT_EQ(a1[9].mid(1, 2), "51");
    EXPECT_EQ(a2[9].mid(1, 2), "30");
    // Outside T_A2's exons: an intron of T_A2, still an exon of T_A1.
    const QStringList intronRows = f.info(variants[2])->getInGeneRows();
    ASSERT_EQ(intronRows.size(), 2);
    EXPECT_EQ(intronRows[0].split('\t')[6], "CDS. Exon: 1001..1500");
    EXPECT_EQ(intronRows[1].split('\t')[6], "CDS. Intron: 1301..1350");
    EXPECT_EQ(intronRows[1].split('\t')[8], "-");
    // No disease text: an empty cell, not "-"; not coding: no codon cells.
    EXPECT_EQ(b[4], "GB");
    EXPECT_EQ(b[5], "");
    EXPECT_EQ(b[8], "-");
}

TEST_F(VariationInfoRowsTest, RegulatoryRowsDistancesAndChromosomeFromTheReference) {
    // 2990: 10 bases before PROM's start; 2310: 10 after PROMREV's end (its transcription start is 2299).
    QList<NxVariant> variants{snvAt(2990, "A", "T", "rs9"), snvAt(2310, "G", "C"), snvAt(1250)};
    ReportFixture f;
    f.open(dir.filePath("ref.s3db"), variants, dir.filePath("s.s3db"));
    f.annotate();
    NxOpStatusImpl os;
    NxAttributeUtils::setStringAttribute(f.session->dbi->getAttributeDbi(), variants[0].id, "TATA_TOOLS:T_P",
                                         "0.5/significant", os);
    NxAttributeUtils::setStringAttribute(f.session->dbi->getAttributeDbi(), variants[0].id, "PRESENT", "yes", os);

    // Forward genes downstream come first, then complement genes upstream.
    std::unique_ptr<VariationInfo> first = f.info(variants[0], true, QString());
    const QStringList rows = first->getRegulatoryRows();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].split('\t'),
              QStringList({"chr1", "2991", "A/T", "rs9", "PROM", "", "-10", "yes", "-", "0.5/significant", "-", "-",
                           "-", "-", "-", "-"}));
    EXPECT_EQ(rows[1].split('\t').mid(4, 6), QStringList({"PROMREV", "", "-691", "yes", "-", "-"}));
    EXPECT_TRUE(first->getInGeneRows().isEmpty());

    const QStringList second = f.info(variants[1])->getRegulatoryRows();
    ASSERT_EQ(second.size(), 2);
    EXPECT_EQ(second[0].split('\t').mid(3, 4), QStringList({"-", "PROM", "", "-690"}));
    EXPECT_EQ(second[1].split('\t').mid(3, 4), QStringList({"-", "PROMREV", "", "-11"}));

    EXPECT_TRUE(f.info(variants[2])->getRegulatoryRows().isEmpty());  // in a gene
}

}  // namespace
