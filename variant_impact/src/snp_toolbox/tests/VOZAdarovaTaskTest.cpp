// The annotation task on real files, run by the real scheduler: what it leaves in the workflow
// database, and how it fails when a database cannot be opened.
#include "SnpToolboxTestData.h"

#include "../VOZAdarovaTask.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DamageEffectDbi.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxPrivate/core/AppContextImpl.h>
#include <NxPrivate/tasks/TaskRunner.h>

#include <gtest/gtest.h>

#include <memory>

using namespace Nx;
using namespace Nx::SnpToolboxTestData;

namespace {

class VOZAdarovaTaskTest : public ::testing::Test {
protected:
    void SetUp() override {
        NxOpStatusImpl os;
        ASSERT_TRUE(startWithReference(dbs, os)) << os.getError().toStdString();
        vars = {snv(KNOWN_POS, 'T', 'C'), snv(NO_GENE_POS, 'C', 'T'), snv(REV_CODON1_START, 'C', 'G')};
        track = dbs.addTrack(vars, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    }

    // Runs the task to its end; the test owns it afterwards.
    std::unique_ptr<VOZAdarovaTask> run(const QString& dbPath, const NxVariantTrack& t, const NxDbiRef& ref) {
        std::unique_ptr<VOZAdarovaTask> task(new VOZAdarovaTask(dbPath, t, ref));
        EXPECT_TRUE(TaskRunner::runAndWait(task.get(), 60000));
        return task;
    }

    int storedCount(const NxVariant& v) {
        NxOpStatusImpl os;
        DbiConnection con(dbs.sessionRef, false, os);
        std::unique_ptr<NxDbiIterator<DamageEffect>> it(con.dbi->getDamageEffectDbi()->listEffects(v.id, os));
        int n = 0;
        while (it != nullptr && it->hasNext()) {
            it->next();
            ++n;
        }
        return n;
    }

    Databases dbs;
    QList<NxVariant> vars;
    NxVariantTrack track;
};

}  // namespace

TEST_F(VOZAdarovaTaskTest, AnnotatesTheTrackIntoTheWorkflowDatabase) {
    std::unique_ptr<VOZAdarovaTask> task = run(dbs.referencePath, track, dbs.sessionRef);
    ASSERT_FALSE(task->hasError()) << task->getError().toStdString();
    EXPECT_EQ(task->getTaskName(), QString("VOZAdarova variations annotation"));
    EXPECT_EQ(task->getProgress(), 100);

    // Read back through a fresh connection: everything was committed when the task ended.
    NxOpStatusImpl os;
    DbiConnection con(dbs.sessionRef, false, os);
    EXPECT_EQ(con.dbi->getVariantDbi()->getVariant(vars[0].id, os).publicId, QString("rs121"));
    EXPECT_EQ(storedCount(vars[0]), 3);  // known effect, GENE_FWD, GENE_OVL
    EXPECT_EQ(storedCount(vars[1]), 0);
    EXPECT_EQ(storedCount(vars[2]), 1);  // GENE_REV
    for (const NxVariant& v : vars) {
        EXPECT_FALSE(con.dbi->getDamageEffectDbi()->needsGeneEvaluation(v.id, os));
    }
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
}

TEST_F(VOZAdarovaTaskTest, MissingDatabaseFileFailsWithItsPath) {
    QString missing = dbs.referencePath + ".missing";
    std::unique_ptr<VOZAdarovaTask> task = run(missing, track, dbs.sessionRef);
    ASSERT_TRUE(task->hasError());
    EXPECT_EQ(task->getError(), QString("Cannot open database file: ") + missing);
    EXPECT_EQ(storedCount(vars[0]), 0);
}

TEST_F(VOZAdarovaTaskTest, MissingWorkflowDatabaseFailsWithTheConnectionError) {
    NxDbiRef gone(SQLITE_DBI_ID, dbs.sessionPath + ".gone");
    std::unique_ptr<VOZAdarovaTask> task = run(dbs.referencePath, track, gone);
    ASSERT_TRUE(task->hasError());
    EXPECT_TRUE(task->getError().contains(gone.dbiId)) << task->getError().toStdString();
    EXPECT_FALSE(QFile::exists(gone.dbiId)) << "the task must not create a workflow database";
}

TEST_F(VOZAdarovaTaskTest, NothingHappensWithoutATrackOrWorkflowDatabase) {
    std::unique_ptr<VOZAdarovaTask> noTrack = run(dbs.referencePath, NxVariantTrack(), dbs.sessionRef);
    EXPECT_FALSE(noTrack->hasError());
    std::unique_ptr<VOZAdarovaTask> noRef = run(dbs.referencePath, track, NxDbiRef());
    EXPECT_FALSE(noRef->hasError());
    EXPECT_EQ(storedCount(vars[0]), 0);
}
