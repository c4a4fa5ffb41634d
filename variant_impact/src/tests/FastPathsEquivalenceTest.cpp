// The threaded paths of the chain against the single-threaded ones on a generated demo data set
// with tens of thousands of variations: the annotation evaluated on other threads leaves the
// workflow database row for row (ids included) as one thread does, and the report read by
// several threads is byte for byte the single reader's.
#include <tests/ConsoleRun.h>

#include <SNPReportWriterTask.h>
#include <snp_toolbox/DamageEffectEvaluator.h>

#include <tests/TableDump.h>

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxFormats/snp/SNPDatabaseUtils.h>
#include <NxFormats/vcf/VcfImporter.h>
#include <NxPrivate/core/AppContextImpl.h>
#include <NxPrivate/tasks/TaskRunner.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>

using namespace Nx;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Imports the VCF into a new workflow database and annotates it; the tracks it made.
QList<NxVariantTrack> importAndAnnotate(const QString& vcf, const QString& reference, const QString& session,
                                        bool threads) {
    NxOpStatusImpl os;
    QList<NxVariantTrack> tracks;
    {
        DbiConnection con(NxDbiRef(SQLITE_DBI_ID, session), true, os);
        tracks = VcfImporter(con).importFile(vcf, os);
    }
    std::unique_ptr<SNPDatabase> database(SNPDatabaseUtils::openDatabase(reference));
    DbiConnection con(NxDbiRef(SQLITE_DBI_ID, session), false, os);
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
    if (database == nullptr || os.hasError()) {
        return {};
    }
    DamageEffectEvaluator evaluator(con.dbi, database->getDbi(), true);
    evaluator.setPipelined(threads, 2, 3001);
    evaluator.annotateTracks(tracks, DamageEffectEvaluator::Mode_All, os);
    EXPECT_FALSE(os.hasError()) << os.getError().toStdString();
    return tracks;
}

}  // namespace

TEST(FastPathsEquivalenceTest, ThreadedAnnotationAndReportEqualTheSingleThreadedOnes) {
    static int argc = 1;
    static char name[] = "FastPathsEquivalenceTest";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) {
        new QCoreApplication(argc, argv);  // task runs need one; it lives as long as the program
    }
    AppContextImpl::getApplicationContext();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d = dir.path();
    QString out;
    ASSERT_TRUE(ConsoleRun::makeDemoWithReference(d, "5", {"--variants", "40000"}, out)) << out.toStdString();
    const QString reference = d + "/reference.s3db";

    const QString slowSession = d + "/slow.s3db";
    const QString fastSession = d + "/fast.s3db";
    const QList<NxVariantTrack> slowTracks = importAndAnnotate(d + "/variants.vcf", reference, slowSession, false);
    const QList<NxVariantTrack> fastTracks = importAndAnnotate(d + "/variants.vcf", reference, fastSession, true);
    ASSERT_EQ(fastTracks.size(), slowTracks.size());
    ASSERT_GE(slowTracks.size(), 2);
    for (const char* sql : {"SELECT * FROM Variant ORDER BY id", "SELECT * FROM DamageEffect ORDER BY id",
                            "SELECT * FROM DamageEffectMark ORDER BY variant"}) {
        const QStringList slow = TableDump::rows(slowSession, sql);
        const QStringList fast = TableDump::rows(fastSession, sql);
        EXPECT_GT(slow.size(), 10000) << sql;
        ASSERT_EQ(fast.size(), slow.size()) << sql;
        for (int i = 0; i < slow.size(); ++i) {
            ASSERT_EQ(fast[i], slow[i]) << sql << ", row " << i;
        }
    }

    auto report = [&](const QString& session, const QList<NxVariantTrack>& tracks, int threads, const QString& name) {
        SNPReportSettings settings;
        settings.dbPath = reference;
        settings.inGeneReportPath = d + "/" + name + "_in_gene.tsv";
        settings.regulatoryReportPath = d + "/" + name + "_regulatory.tsv";
        SNPReportWriterTask task(settings, tracks, NxDbiRef(SQLITE_DBI_ID, session));
        task.setReadThreads(threads, 2000);
        EXPECT_TRUE(TaskRunner::runAndWait(&task, 120000));
        EXPECT_FALSE(task.hasError()) << task.getError().toStdString();
        return QPair<QByteArray, QByteArray>(fileBytes(settings.inGeneReportPath), fileBytes(settings.regulatoryReportPath));
    };
    const auto single = report(slowSession, slowTracks, 1, "single");
    const auto parallel = report(fastSession, fastTracks, 3, "parallel");
    EXPECT_GT(single.first.count('\n'), 10000);
    EXPECT_GT(single.second.count('\n'), 1000);
    EXPECT_TRUE(parallel.first == single.first) << "in-gene reports differ";
    EXPECT_TRUE(parallel.second == single.second) << "regulatory reports differ";
}
