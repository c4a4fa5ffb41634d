#include "DbiTestUtils.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/NxSequenceDbi.h>
#include <NxCore/dbi/sqlite/SQLiteFeatureDbi.h>

#include <gtest/gtest.h>

using namespace Nx;
using namespace Nx::DbiTestUtils;

namespace {

QList<QByteArray> ids(const QList<Gene>& genes) {
    QList<QByteArray> res;
    for (const Gene& g : genes) {
        res << g.getFeatureId();
    }
    return res;
}

class SQLiteFeatureDbiTest : public ::testing::Test {
protected:
    void SetUp() override {
        con.open(refOf(dir.filePath("ref.s3db")), true, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
        fdbi = dynamic_cast<SQLiteFeatureDbi*>(con.dbi->getFeatureDbi());
        ASSERT_NE(fdbi, nullptr);
        chr1 = sequence("chr1");
        chr2 = sequence("chr2");
    }

    NxDataId sequence(const QString& name) {
        NxSequence s;
        s.visualName = name;
        s.alphabet = "nucl-dna-default";
        con.dbi->getSequenceDbi()->createSequenceObject(s, os);
        return s.id;
    }

    // Exons given in any order; the table must hand them back ascending.
    void gene(const NxDataId& seq, const QByteArray& id, const QString& name, bool reverse,
              const QVector<NxRegion>& exons, const QVector<NxRegion>& cds) {
        qint64 s = exons.first().startPos;
        qint64 e = exons.first().endPos();
        for (const NxRegion& r : exons) {
            s = qMin(s, r.startPos);
            e = qMax(e, r.endPos());
        }
        NxRegion cdsSpan;
        if (!cds.isEmpty()) {
            cdsSpan = NxRegion(cds.first().startPos, cds.last().endPos() - cds.first().startPos);
        }
        Gene g(id, name, NxRegion(s, e - s), cdsSpan, exons, !cds.isEmpty(), reverse);
        g.setAccession("ACC-" + name);
        g.setAltName("alt-" + name);
        g.setDisease("disease of " + name);
        fdbi->createGene(g, seq, cds, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    }

    QTemporaryDir dir;
    NxOpStatusImpl os;
    DbiConnection con;
    SQLiteFeatureDbi* fdbi = nullptr;
    NxDataId chr1;
    NxDataId chr2;
};

TEST_F(SQLiteFeatureDbiTest, GenesOnBothStrandsComeWithAscendingExonsAndTheirNames) {
    // Reverse-strand exons are given in transcript order (descending) on purpose.
    gene(chr1, "ENST_REV", "BETA", true, {NxRegion(900, 100), NxRegion(500, 100), NxRegion(100, 100)},
         {NxRegion(150, 50), NxRegion(500, 100), NxRegion(900, 20)});
    gene(chr1, "ENST_FWD", "ALPHA", false, {NxRegion(300, 50), NxRegion(600, 50)}, {});

    QList<Gene> genes = fdbi->getGenesInRegion(chr1, NxRegion(0, 2000), os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    ASSERT_EQ(ids(genes), QList<QByteArray>({"ENST_REV", "ENST_FWD"}));

    const Gene& rev = genes[0];
    EXPECT_TRUE(rev.isComplemented());
    EXPECT_TRUE(rev.isCoding());
    EXPECT_EQ(rev.getName(), "BETA");
    EXPECT_EQ(rev.getRegion(), NxRegion(100, 900));
    EXPECT_EQ(rev.getCDSRegion(), NxRegion(150, 770));
    EXPECT_EQ(rev.getExons(), QVector<NxRegion>({NxRegion(100, 100), NxRegion(500, 100), NxRegion(900, 100)}));
    EXPECT_EQ(rev.getAccession(), "ACC-BETA");
    EXPECT_EQ(rev.getAltName(), "alt-BETA");
    EXPECT_EQ(rev.getDisease(), "disease of BETA");

    const Gene& fwd = genes[1];
    EXPECT_FALSE(fwd.isComplemented());
    EXPECT_FALSE(fwd.isCoding());
    EXPECT_TRUE(fwd.getCDSRegion().isEmpty());
    EXPECT_EQ(fwd.getExons(), QVector<NxRegion>({NxRegion(300, 50), NxRegion(600, 50)}));

    Gene byId = fdbi->getGene("ENST_FWD", os);
    EXPECT_EQ(byId.getName(), "ALPHA");
    EXPECT_EQ(byId.getExons(), fwd.getExons());
}

TEST_F(SQLiteFeatureDbiTest, RegionQueriesAreHalfOpenAndPerSequence) {
    gene(chr1, "T1", "G1", false, {NxRegion(100, 100)}, {});  // [100, 200)
    gene(chr2, "T2", "G2", false, {NxRegion(100, 100)}, {});

    EXPECT_TRUE(fdbi->getGenesInRegion(chr1, NxRegion(200, 10), os).isEmpty());
    EXPECT_TRUE(fdbi->getGenesInRegion(chr1, NxRegion(90, 10), os).isEmpty());
    EXPECT_EQ(ids(fdbi->getGenesInRegion(chr1, NxRegion(199, 1), os)), QList<QByteArray>({"T1"}));
    EXPECT_EQ(ids(fdbi->getGenesInRegion(chr1, NxRegion(99, 2), os)), QList<QByteArray>({"T1"}));
    EXPECT_EQ(ids(fdbi->getGenesInRegion(chr2, NxRegion(150, 1), os)), QList<QByteArray>({"T2"}));
    EXPECT_EQ(ids(fdbi->getGenesInRegion(chr1, NxRegion(0, std::numeric_limits<qint64>::max()), os)),
              QList<QByteArray>({"T1"}));
    EXPECT_FALSE(os.hasError());
}

TEST_F(SQLiteFeatureDbiTest, GenesWithOneStartAreOrderedByFeatureId) {
    gene(chr1, "T_B", "G", false, {NxRegion(100, 50)}, {});
    gene(chr1, "T_A", "G", false, {NxRegion(100, 80)}, {});
    gene(chr1, "T_0", "G", false, {NxRegion(90, 20)}, {});
    EXPECT_EQ(ids(fdbi->getGenesInRegion(chr1, NxRegion(100, 1), os)), QList<QByteArray>({"T_0", "T_A", "T_B"}));
}

TEST_F(SQLiteFeatureDbiTest, SpecialRegionsAndChildrenAreSeparateClasses) {
    gene(chr1, "T1", "G1", false, {NxRegion(100, 100), NxRegion(400, 100)}, {NxRegion(150, 50)});
    NxFeature sd;
    sd.sequenceId = chr1;
    sd.featureClass = "SD";
    sd.location = NxRegion(120, 10);
    fdbi->createFeature(sd, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    EXPECT_FALSE(sd.id.isEmpty());

    EXPECT_TRUE(fdbi->hasFeatureInRegion(chr1, NxRegion(125, 1), "SD", os));
    EXPECT_FALSE(fdbi->hasFeatureInRegion(chr1, NxRegion(130, 1), "SD", os));
    EXPECT_FALSE(fdbi->hasFeatureInRegion(chr1, NxRegion(125, 1), "CR", os));
    EXPECT_FALSE(fdbi->hasFeatureInRegion(chr2, NxRegion(125, 1), "SD", os));
    // Special regions are no genes.
    EXPECT_EQ(fdbi->getGenesInRegion(chr1, NxRegion(120, 5), os).size(), 1);

    NxDbiIterator<NxFeature>* it = fdbi->getFeaturesByRegion(chr1, NxRegion(180, 300), "Exon", os);
    QList<NxFeature> exons;
    while (it->hasNext()) {
        exons << it->next();
    }
    delete it;
    ASSERT_EQ(exons.size(), 2);
    EXPECT_EQ(exons[0].location, NxRegion(100, 100));
    EXPECT_EQ(exons[0].parentFeatureId, QByteArray("T1"));
    EXPECT_FALSE(fdbi->hasFeatureInRegion(chr1, NxRegion(300, 50), "Exon", os));
    EXPECT_TRUE(fdbi->hasFeatureInRegion(chr1, NxRegion(199, 1), "CDS", os));
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();

    NxFeature read = fdbi->getFeature(sd.id, os);
    EXPECT_EQ(read.featureClass, "SD");
    EXPECT_EQ(read.location, NxRegion(120, 10));
    EXPECT_EQ(read.sequenceId, chr1);
}

TEST_F(SQLiteFeatureDbiTest, DuplicateIdsAndPartsOutsideTheGeneAreRefused) {
    gene(chr1, "T1", "G1", false, {NxRegion(100, 100)}, {});
    NxOpStatusImpl dup;
    fdbi->createGene(Gene("T1", "G9", NxRegion(500, 10), NxRegion(), {NxRegion(500, 10)}, false, false), chr1, {},
                     dup);
    EXPECT_TRUE(dup.hasError());

    NxOpStatusImpl outside;
    fdbi->createGene(Gene("T2", "G2", NxRegion(500, 10), NxRegion(), {NxRegion(500, 10)}, true, false), chr1,
                     {NxRegion(505, 20)}, outside);
    EXPECT_TRUE(outside.hasError());
    EXPECT_EQ(fdbi->getGenesInRegion(chr1, NxRegion(0, 1000), os).size(), 1);

    NxOpStatusImpl missing;
    fdbi->getGene("nope", missing);
    EXPECT_TRUE(missing.hasError());
}

}  // namespace
