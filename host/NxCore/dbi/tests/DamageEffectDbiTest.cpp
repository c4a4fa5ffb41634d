// The damage-effect table on a real SQLite file: what is stored comes back field by field and in
// storage order, the gene-evaluation mark survives a reopen, large batches are all written, and
// bad identifiers are refused without touching what is stored.
#include "DbiTestUtils.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DamageEffectDbi.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/DbiOperationsBlock.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/dbi/sqlite/SQLiteDamageEffectDbi.h>
#include <NxCore/dbi/sqlite/SQLiteDbi.h>
#include <NxCore/dbi/sqlite/SQLiteUtils.h>

#include <QFile>

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>

using namespace Nx;

namespace {

NxDataId variantId(qint64 row) {
    return SQLiteUtils::toDbiId(row, NxEntityTypes::Variant);
}

DamageEffect knownEffect(const NxDataId& variant, double base) {
    DamageEffect e;
    e.variant = variant;
    e.avSift = base + 0.1;
    e.lrt = base + 0.2;
    e.phyloP = base + 0.3;
    e.pp2 = base + 0.4;
    e.mutationTaster = base + 0.5;
    e.genomes1000 = base + 0.6;
    e.inSegmentalDuplication = true;
    e.inConservedRegion = false;
    e.gerpConserved = base + 0.7;
    e.altAlleleFrequency = base + 0.8;
    e.hapmap = base + 0.9;
    e.gerpScore = base + 1.0;
    e.hasKnownId = true;
    e.discardReason = QString::fromUtf8("low quality \xc3\xa9");
    return e;
}

DamageEffect geneEffect(const NxDataId& variant, const QString& gene, double score, bool damaging, bool aaChanged) {
    DamageEffect e;
    e.variant = variant;
    e.affectedGeneName = gene;
    e.toleranceScore = score;
    e.damaging = damaging;
    e.aminoAcidChanged = aaChanged;
    return e;
}

QList<DamageEffect> listAll(DamageEffectDbi* t, const NxDataId& variant, NxOpStatus& os) {
    QList<DamageEffect> res;
    std::unique_ptr<NxDbiIterator<DamageEffect>> it(t->listEffects(variant, os));
    if (it == nullptr) {
        return res;
    }
    while (it->hasNext()) {
        res << it->next();
    }
    return res;
}

void expectSame(const DamageEffect& a, const DamageEffect& b) {
    EXPECT_EQ(a.variant, b.variant);
    EXPECT_EQ(a.affectedGeneName, b.affectedGeneName);
    EXPECT_DOUBLE_EQ(a.toleranceScore, b.toleranceScore);
    EXPECT_DOUBLE_EQ(a.avSift, b.avSift);
    EXPECT_DOUBLE_EQ(a.lrt, b.lrt);
    EXPECT_DOUBLE_EQ(a.phyloP, b.phyloP);
    EXPECT_DOUBLE_EQ(a.pp2, b.pp2);
    EXPECT_DOUBLE_EQ(a.mutationTaster, b.mutationTaster);
    EXPECT_DOUBLE_EQ(a.genomes1000, b.genomes1000);
    EXPECT_EQ(a.inSegmentalDuplication, b.inSegmentalDuplication);
    EXPECT_EQ(a.inConservedRegion, b.inConservedRegion);
    EXPECT_DOUBLE_EQ(a.gerpConserved, b.gerpConserved);
    EXPECT_DOUBLE_EQ(a.altAlleleFrequency, b.altAlleleFrequency);
    EXPECT_DOUBLE_EQ(a.hapmap, b.hapmap);
    EXPECT_DOUBLE_EQ(a.gerpScore, b.gerpScore);
    EXPECT_EQ(a.hasKnownId, b.hasKnownId);
    EXPECT_EQ(a.discardReason, b.discardReason);
    EXPECT_EQ(a.damaging, b.damaging);
    EXPECT_EQ(a.aminoAcidChanged, b.aminoAcidChanged);
}

class DamageEffectDbiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ref = NxDbiRef(SQLITE_DBI_ID, dir.filePath("session.s3db"));
    }

    QTemporaryDir dir;
    NxDbiRef ref;
};

}  // namespace

TEST_F(DamageEffectDbiTest, StoredEffectsComeBackFieldByFieldInStorageOrder) {
    NxDataId v1 = variantId(1);
    NxDataId v2 = variantId(2);
    QList<DamageEffect> stored1 = {knownEffect(v1, 0.0), geneEffect(v1, "GENE_B", 0.25, true, true),
                                   geneEffect(v1, "GENE_A", -1.0, false, false)};
    DamageEffect other = geneEffect(v2, "GENE_C", 0.5, true, false);
    {
        NxOpStatusImpl os;
        DbiConnection con(ref, true, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
        DamageEffectDbi* t = con.dbi->getDamageEffectDbi();
        ASSERT_NE(t, nullptr);
        // Interleave the variations so that storage order is more than insertion per variation.
        t->storeEffect(stored1[0], os);
        t->storeEffect(other, os);
        t->storeEffect(stored1[1], os);
        t->storeEffect(stored1[2], os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();

        // Read back on the same connection, before any explicit flush.
        QList<DamageEffect> got = listAll(t, v1, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
        ASSERT_EQ(got.size(), 3);
        for (int i = 0; i < 3; ++i) {
            expectSame(got[i], stored1[i]);
            EXPECT_TRUE(got[i].hasValidId());
        }
        EXPECT_NE(got[0].id, got[1].id);
    }
    // And after the file was closed and opened again.
    NxOpStatusImpl os;
    DbiConnection con(ref, false, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    DamageEffectDbi* t = con.dbi->getDamageEffectDbi();
    QList<DamageEffect> got1 = listAll(t, v1, os);
    QList<DamageEffect> got2 = listAll(t, v2, os);
    ASSERT_FALSE(os.hasError());
    ASSERT_EQ(got1.size(), 3);
    EXPECT_EQ(got1[0].affectedGeneName, QString());
    EXPECT_EQ(got1[1].affectedGeneName, QString("GENE_B"));
    EXPECT_EQ(got1[2].affectedGeneName, QString("GENE_A"));
    ASSERT_EQ(got2.size(), 1);
    expectSame(got2[0], other);
    EXPECT_TRUE(listAll(t, variantId(3), os).isEmpty());
    EXPECT_FALSE(os.hasError());
}

TEST_F(DamageEffectDbiTest, GeneEvaluationMarkHoldsUntilSetAndSurvivesReopen) {
    NxDataId v1 = variantId(10);
    NxDataId v2 = variantId(11);
    {
        NxOpStatusImpl os;
        DbiConnection con(ref, true, os);
        DamageEffectDbi* t = con.dbi->getDamageEffectDbi();
        ASSERT_NE(t, nullptr);
        EXPECT_TRUE(t->needsGeneEvaluation(v1, os));
        // The known-mutation mark is a different mark.
        t->markKnownChecked(v1, os);
        EXPECT_TRUE(t->needsGeneEvaluation(v1, os));
        t->markGeneEvaluated(v1, os);
        EXPECT_FALSE(t->needsGeneEvaluation(v1, os));
        EXPECT_TRUE(t->needsGeneEvaluation(v2, os));
        t->flushEffects(os);
        EXPECT_FALSE(t->needsGeneEvaluation(v1, os));
        // A known-mutation mark written after the gene mark must not clear it.
        t->markKnownChecked(v1, os);
        t->finishEffects(os);
        EXPECT_FALSE(t->needsGeneEvaluation(v1, os));
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    }
    NxOpStatusImpl os;
    DbiConnection con(ref, false, os);
    DamageEffectDbi* t = con.dbi->getDamageEffectDbi();
    EXPECT_FALSE(t->needsGeneEvaluation(v1, os));
    EXPECT_TRUE(t->needsGeneEvaluation(v2, os));
    EXPECT_FALSE(os.hasError());
}

TEST_F(DamageEffectDbiTest, LargeRunInsideOperationsBlockIsWrittenCompletely) {
    // More than a few batches and an uneven rest.
    const int variations = 3 * SQLiteDamageEffectDbi::FLUSH_ROWS + 37;
    {
        NxOpStatusImpl os;
        DbiConnection con(ref, true, os);
        DamageEffectDbi* t = con.dbi->getDamageEffectDbi();
        ASSERT_NE(t, nullptr);
        DbiOperationsBlock block(ref, os);
        for (int i = 1; i <= variations; ++i) {
            NxDataId v = variantId(i);
            t->storeEffect(knownEffect(v, i), os);
            t->markKnownChecked(v, os);
            if (i % 3 != 0) {
                t->storeEffect(geneEffect(v, QString("G%1").arg(i), i / 1000.0, i % 2 == 0, i % 5 == 0), os);
                t->markGeneEvaluated(v, os);
            }
        }
        t->flushEffects(os);
        t->finishEffects(os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    }
    NxOpStatusImpl os;
    DbiConnection con(ref, false, os);
    DamageEffectDbi* t = con.dbi->getDamageEffectDbi();
    for (int i = 1; i <= variations; ++i) {
        NxDataId v = variantId(i);
        QList<DamageEffect> got = listAll(t, v, os);
        ASSERT_EQ(got.size(), i % 3 != 0 ? 2 : 1) << "variation " << i;
        EXPECT_DOUBLE_EQ(got[0].avSift, i + 0.1);
        EXPECT_EQ(t->needsGeneEvaluation(v, os), i % 3 == 0) << "variation " << i;
        if (got.size() == 2) {
            EXPECT_EQ(got[1].affectedGeneName, QString("G%1").arg(i));
            EXPECT_EQ(got[1].damaging, i % 2 == 0);
            EXPECT_EQ(got[1].aminoAcidChanged, i % 5 == 0);
        }
    }
    EXPECT_FALSE(os.hasError());
}

// Marks come in row order from an annotation, but may come in any order: rows marked twice
// apart, descending and mixed, answered from the buffer and stored with both flags.
TEST_F(DamageEffectDbiTest, MarksInAnyOrderAreAnsweredAndStoredOnce) {
    const int rows = SQLiteDamageEffectDbi::FLUSH_ROWS + 500;
    QList<int> order;
    for (int i = 1; i <= rows / 2; ++i) order << i;            // ascending
    for (int i = rows; i > rows / 2; --i) order << i;         // then descending
    {
        NxOpStatusImpl os;
        DbiConnection con(ref, true, os);
        DamageEffectDbi* t = con.dbi->getDamageEffectDbi();
        DbiOperationsBlock block(ref, os);
        for (int i : order) {
            t->markKnownChecked(variantId(i), os);
        }
        for (int i : order) {
            if (i % 4 != 0) {
                t->markGeneEvaluated(variantId(i), os);
            }
            // The row just marked and one marked long before, still buffered or written.
            ASSERT_EQ(t->needsGeneEvaluation(variantId(i), os), i % 4 == 0) << i;
            ASSERT_TRUE(t->needsGeneEvaluation(variantId(rows + 1), os));
        }
        t->finishEffects(os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    }
    const QString file = dir.filePath("session.s3db");
    EXPECT_EQ(DbiTestUtils::rawSelectInt(file, "SELECT COUNT(*) FROM DamageEffectMark"), rows);
    EXPECT_EQ(DbiTestUtils::rawSelectInt(file, "SELECT COUNT(*) FROM DamageEffectMark WHERE flags = 3"), rows - rows / 4);
    EXPECT_EQ(DbiTestUtils::rawSelectInt(file, "SELECT COUNT(*) FROM DamageEffectMark WHERE flags = 2 AND variant % 4 = 0"), rows / 4);
}

TEST_F(DamageEffectDbiTest, BufferedEffectsAreWrittenWhenTheDatabaseCloses) {
    // A caller that never flushes (a report run that evaluates a few variations) loses nothing.
    {
        NxOpStatusImpl os;
        DbiConnection con(ref, true, os);
        DamageEffectDbi* t = con.dbi->getDamageEffectDbi();
        ASSERT_NE(t, nullptr);
        t->storeEffect(geneEffect(variantId(5), "GENE_X", 0.75, true, true), os);
        t->markGeneEvaluated(variantId(5), os);
        ASSERT_FALSE(os.hasError());
    }
    NxOpStatusImpl os;
    DbiConnection con(ref, false, os);
    DamageEffectDbi* t = con.dbi->getDamageEffectDbi();
    QList<DamageEffect> got = listAll(t, variantId(5), os);
    ASSERT_EQ(got.size(), 1);
    EXPECT_EQ(got[0].affectedGeneName, QString("GENE_X"));
    EXPECT_DOUBLE_EQ(got[0].toleranceScore, 0.75);
    EXPECT_FALSE(t->needsGeneEvaluation(variantId(5), os));
}

TEST_F(DamageEffectDbiTest, BadVariationIdentifiersAreRefusedAndStoredDataStays) {
    NxOpStatusImpl os;
    DbiConnection con(ref, true, os);
    DamageEffectDbi* t = con.dbi->getDamageEffectDbi();
    ASSERT_NE(t, nullptr);
    t->storeEffect(geneEffect(variantId(1), "KEPT", 0.5, true, true), os);
    t->flushEffects(os);
    ASSERT_FALSE(os.hasError());

    // An id of another kind (a track id) must not be taken for a variation row.
    NxOpStatusImpl wrongType;
    t->storeEffect(geneEffect(SQLiteUtils::toDbiId(1, NxObjectTypes::VariantTrack), "WRONG", 0.1, true, true),
                   wrongType);
    EXPECT_TRUE(wrongType.hasError());
    EXPECT_TRUE(wrongType.getError().contains("type")) << wrongType.getError().toStdString();

    NxOpStatusImpl malformed;
    EXPECT_EQ(t->listEffects(QByteArray("abc"), malformed), nullptr);
    EXPECT_TRUE(malformed.hasError());

    NxOpStatusImpl empty;
    EXPECT_FALSE(t->needsGeneEvaluation(NxDataId(), empty));
    EXPECT_TRUE(empty.hasError());

    NxOpStatusImpl markOs;
    t->markGeneEvaluated(NxDataId("x"), markOs);
    EXPECT_TRUE(markOs.hasError());

    // A caller whose status already failed stores nothing more.
    NxOpStatusImpl failed;
    failed.setError("earlier failure");
    t->storeEffect(geneEffect(variantId(1), "AFTER_ERROR", 0.1, true, true), failed);
    t->markGeneEvaluated(variantId(1), failed);
    EXPECT_EQ(failed.getError(), QString("earlier failure"));

    NxOpStatusImpl readOs;
    t->flushEffects(readOs);
    EXPECT_TRUE(t->needsGeneEvaluation(variantId(1), readOs));
    QList<DamageEffect> got = listAll(t, variantId(1), readOs);
    ASSERT_FALSE(readOs.hasError()) << readOs.getError().toStdString();
    ASSERT_EQ(got.size(), 1);
    EXPECT_EQ(got[0].affectedGeneName, QString("KEPT"));
}

// A batch that fails to write (here a trigger stands in for a full disk) is rolled back whole,
// inside a caller's block too, and nothing of it comes back later: the evaluation that follows
// stores each effect exactly once.
TEST_F(DamageEffectDbiTest, AFailedBatchIsDroppedWholeAndTheRetryStoresEachEffectOnce) {
    auto rawCount = [&](const char* sql) {
        sqlite3* h = nullptr;
        sqlite3_open(QFile::encodeName(ref.dbiId).constData(), &h);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h, sql, -1, &st, nullptr);
        qint64 n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
        sqlite3_finalize(st);
        sqlite3_close(h);
        return n;
    };
    const int variations = 2 * SQLiteDamageEffectDbi::FLUSH_ROWS + 188;  // more than two batches
    const int bad = 2 * SQLiteDamageEffectDbi::FLUSH_ROWS - 100;          // in the second one
    auto evaluate = [&](DamageEffectDbi* t, NxOpStatus& os) {
        for (int v = 1; v <= variations && !os.hasError(); ++v) {
            if (!t->needsGeneEvaluation(variantId(v), os)) {
                continue;
            }
            t->storeEffect(geneEffect(variantId(v), v == bad ? "BAD" : "G1", 0.5, true, true), os);
            t->storeEffect(geneEffect(variantId(v), "G2", 0.25, true, false), os);
            t->markGeneEvaluated(variantId(v), os);
        }
        t->flushEffects(os);
    };
    NxOpStatusImpl os;
    DbiConnection con(ref, true, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    sqlite3* h = static_cast<SQLiteDbi*>(con.dbi)->getHandle();
    ASSERT_EQ(sqlite3_exec(h,
                           "CREATE TRIGGER full_disk BEFORE INSERT ON DamageEffect WHEN NEW.gene = 'BAD' "
                           "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    DamageEffectDbi* t = con.dbi->getDamageEffectDbi();
    {
        NxOpStatusImpl runOs;
        DbiOperationsBlock block(ref, runOs);
        evaluate(t, runOs);
        ASSERT_TRUE(runOs.hasError());
        EXPECT_TRUE(runOs.getError().contains("disk is full")) << runOs.getError().toStdString();
        EXPECT_TRUE(runOs.getError().contains(ref.dbiId));
        // Later calls with a clean status find nothing left over from the failed batch.
        NxOpStatusImpl laterOs;
        t->flushEffects(laterOs);
        EXPECT_FALSE(laterOs.hasError());
    }
    // Whole variations only: every stored one has both effects and its mark, and the bad one
    // has none; the batch before it stays.
    const qint64 marked = rawCount("SELECT COUNT(*) FROM DamageEffectMark");
    EXPECT_GT(marked, 0);
    EXPECT_LT(marked, bad);
    EXPECT_EQ(rawCount("SELECT COUNT(*) FROM DamageEffect"), 2 * marked);
    EXPECT_EQ(rawCount(QString("SELECT COUNT(*) FROM DamageEffect WHERE variant = %1").arg(bad).toUtf8().constData()), 0);
    EXPECT_TRUE(t->needsGeneEvaluation(variantId(bad), os));

    ASSERT_EQ(sqlite3_exec(h, "DROP TRIGGER full_disk", nullptr, nullptr, nullptr), SQLITE_OK);
    evaluate(t, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    EXPECT_EQ(rawCount("SELECT COUNT(*) FROM DamageEffectMark"), variations);
    EXPECT_EQ(rawCount("SELECT COUNT(*) FROM DamageEffect"), 2 * variations);
    EXPECT_EQ(rawCount("SELECT COUNT(*) FROM (SELECT variant, gene FROM DamageEffect GROUP BY variant, gene "
                       "HAVING COUNT(*) > 1)"),
              0);
}

// A known mutation's public id goes in with the batch that holds its effect: visible once the
// batch is written, and a variation that is not in the named track fails that batch as a whole.
TEST_F(DamageEffectDbiTest, PublicIdsAreWrittenWithTheirBatch) {
    NxOpStatusImpl os;
    DbiConnection con(ref, true, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    NxVariantDbi* variants = con.dbi->getVariantDbi();
    NxVariantTrack first;
    first.visualName = first.sequenceName = "chr1";
    variants->createVariantTrack(first, os);
    NxVariantTrack second;
    second.visualName = second.sequenceName = "chr2";
    variants->createVariantTrack(second, os);
    QList<NxVariant> rows;
    for (int i = 0; i < 3; ++i) {
        NxVariant v;
        v.startPos = 10 * i;
        v.endPos = 10 * i + 1;
        v.refData = "A";
        v.obsData = "G";
        rows << v;
    }
    variants->addVariantsToTrack(first, rows, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    DamageEffectDbi* t = con.dbi->getDamageEffectDbi();

    t->storeEffect(knownEffect(rows[0].id, 1), os);
    t->storePublicId(first.id, rows[0].id, "rs10", os);
    t->markKnownChecked(rows[0].id, os);
    EXPECT_TRUE(variants->getVariant(rows[0].id, os).publicId.isEmpty());
    t->flushEffects(os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    EXPECT_EQ(variants->getVariant(rows[0].id, os).publicId, "rs10");

    // The second variation's effect and public id are good, the third names the wrong track.
    t->storeEffect(knownEffect(rows[1].id, 2), os);
    t->storePublicId(first.id, rows[1].id, "rs11", os);
    t->storeEffect(knownEffect(rows[2].id, 3), os);
    t->storePublicId(second.id, rows[2].id, "rs12", os);
    NxOpStatusImpl flushOs;
    t->flushEffects(flushOs);
    EXPECT_TRUE(flushOs.getError().contains("not found in the given track")) << flushOs.getError().toStdString();
    EXPECT_TRUE(variants->getVariant(rows[1].id, os).publicId.isEmpty());
    EXPECT_TRUE(listAll(t, rows[1].id, os).isEmpty());
    EXPECT_EQ(variants->getVariant(rows[0].id, os).publicId, "rs10");
    EXPECT_EQ(listAll(t, rows[0].id, os).size(), 1);
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
}

namespace {

// Marks are read a window of variations at a time: every answer must still be the stored one,
// across window boundaries, for marks this table wrote in earlier batches and for a mark another
// connection wrote to a window not loaded yet.
TEST(DamageEffectMarkWindowTest, AnswersFollowTheStoredMarks) {
    QTemporaryDir dir;
    const QString path = dir.filePath("marks.s3db");
    NxOpStatusImpl os;
    DbiConnection con(NxDbiRef(SQLITE_DBI_ID, path), true, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    DamageEffectDbi* t = con.dbi->getDamageEffectDbi();
    const qint64 n = 10000;
    for (qint64 row = 1; row <= n; row += 3) {
        t->markGeneEvaluated(variantId(row), os);
    }
    t->markKnownChecked(variantId(2), os);  // another flag only
    t->flushEffects(os);
    for (qint64 row = 1; row <= n; ++row) {
        ASSERT_EQ(t->needsGeneEvaluation(variantId(row), os), (row - 1) % 3 != 0) << "row " << row;
    }
    // Marks of a later batch, inside the window loaded last and in one loaded before.
    t->markGeneEvaluated(variantId(n - 1), os);
    t->markGeneEvaluated(variantId(3), os);
    EXPECT_FALSE(t->needsGeneEvaluation(variantId(n - 1), os));  // still buffered
    t->flushEffects(os);
    EXPECT_FALSE(t->needsGeneEvaluation(variantId(n - 1), os));
    EXPECT_FALSE(t->needsGeneEvaluation(variantId(3), os));
    EXPECT_TRUE(t->needsGeneEvaluation(variantId(6), os));

    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "INSERT INTO DamageEffectMark(variant, flags) VALUES(50000, 1)", nullptr, nullptr,
                           nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(raw);
    sqlite3_close(raw);
    EXPECT_FALSE(t->needsGeneEvaluation(variantId(50000), os));
    EXPECT_TRUE(t->needsGeneEvaluation(variantId(50001), os));
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
}

}  // namespace

namespace {

// Inside a transaction effects are listed a window of variations at a time: every list must be
// the variation's own, in storage order, also after more effects were written in the same
// transaction.
TEST(DamageEffectListWindowTest, ListsInsideATransactionFollowTheData) {
    QTemporaryDir dir;
    NxOpStatusImpl os;
    DbiConnection con(NxDbiRef(SQLITE_DBI_ID, dir.filePath("effects.s3db")), true, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    DamageEffectDbi* t = con.dbi->getDamageEffectDbi();
    for (qint64 row = 1; row <= 30; ++row) {
        if (row % 3 != 0) {
            t->storeEffect(geneEffect(variantId(row), QString("G%1").arg(row), row, false, false), os);
        }
        if (row % 5 == 0) {
            t->storeEffect(knownEffect(variantId(row), row), os);
        }
        t->markGeneEvaluated(variantId(row), os);
    }
    t->flushEffects(os);
    SQLiteDbi* db = static_cast<SQLiteDbi*>(con.dbi);
    ASSERT_TRUE(db->beginTransaction(os, false));
    for (qint64 row = 1; row <= 31; ++row) {
        QStringList names;
        for (const DamageEffect& e : listAll(t, variantId(row), os)) {
            EXPECT_EQ(e.variant, variantId(row));
            names << (e.affectedGeneName.isEmpty() ? QString("known") : e.affectedGeneName);
        }
        QStringList expected;
        if (row <= 30 && row % 3 != 0) {
            expected << QString("G%1").arg(row);
        }
        if (row <= 30 && row % 5 == 0) {
            expected << "known";
        }
        EXPECT_EQ(names, expected) << "row " << row;
    }
    t->storeEffect(geneEffect(variantId(3), "LATE", 1, false, false), os);
    EXPECT_EQ(listAll(t, variantId(3), os).size(), 1);
    EXPECT_EQ(listAll(t, variantId(3), os).value(0).affectedGeneName, "LATE");
    db->endTransaction(os);
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
}

}  // namespace
