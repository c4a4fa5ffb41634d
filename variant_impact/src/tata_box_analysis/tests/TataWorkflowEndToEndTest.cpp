// The sample workflow data/workflows/tata_demo.json (read -> annotate -> tata-box-snp) run from
// the console on generated demo data: every variation the demo planted in a TATA box carries a
// "TATA_TOOLS:<feature id>" attribute, some of them significant, and no variation outside the
// promoter windows carries one.
#include <tests/ConsoleRun.h>

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/NxAttributeDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>

#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace Nx;
using Nx::ConsoleRun::runTool;

namespace {

// "chrom:pos0" of the records the demo marks with the class of interest.
QSet<QString> demoRecords(const QString& vcf, const QString& demoClass) {
    QSet<QString> res;
    QFile f(vcf);
    f.open(QIODevice::ReadOnly);
    while (!f.atEnd()) {
        const QList<QByteArray> cols = f.readLine().trimmed().split('\t');
        if (cols.size() < 8 || cols[0].startsWith('#')) {
            continue;
        }
        if (cols[7].split(';').contains("DEMO=" + demoClass.toUtf8())) {
            res << QString("%1:%2").arg(QString(cols[0])).arg(cols[1].toLongLong() - 1);
        }
    }
    return res;
}

}  // namespace

TEST(TataWorkflowEndToEndTest, DemoTataBoxVariationsGetTheirAttributes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d = dir.path();
    QString out;
    ASSERT_TRUE(runTool("nolix-demo-data", {"--out-dir", d, "--seed", "3"}, out)) << out.toStdString();
    ASSERT_TRUE(runTool("nolix-refdb", {"--out", d + "/reference.s3db", "--fasta", d + "/genome.fa", "--genes",
                                        d + "/genes.gff3", "--known-mutations", d + "/known_mutations.vcf"},
                        out))
        << out.toStdString();
    const QString session = d + "/session.s3db";
    ASSERT_TRUE(runTool("resource_probe",
                        {"--workflow=" + QString(NX_SOURCE_DIR) + "/data/workflows/tata_demo.json", "--set",
                         "read.url-in=" + d + "/variants.vcf", "--set", "annotate.db_path=" + d + "/reference.s3db",
                         "--set", "tata.db_path=" + d + "/reference.s3db", "--session-db=" + session},
                        out))
        << out.toStdString();

    const QSet<QString> tata = demoRecords(d + "/variants.vcf", "tata_box");
    ASSERT_FALSE(tata.isEmpty());
    NxOpStatusImpl os;
    DbiConnection con(NxDbiRef(SQLITE_DBI_ID, session), false, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    NxVariantDbi* variants = con.dbi->getVariantDbi();
    NxAttributeDbi* attributes = con.dbi->getAttributeDbi();
    int tataSeen = 0, tataAnswered = 0, significant = 0, elsewhere = 0;
    for (const NxDataId& trackId : variants->getVariantTracks(os)) {
        const NxVariantTrack track = variants->getVariantTrack(trackId, os);
        std::unique_ptr<NxDbiIterator<NxVariant>> it(variants->getVariantsInRegion(trackId, NxRegion(0, 1LL << 40), os));
        while (it->hasNext()) {
            const NxVariant v = it->next();
            QStringList labels;
            for (const NxDataId& id : attributes->getObjectAttributes(v.id, QString(), os)) {
                const NxStringAttribute a = attributes->getStringAttribute(id, os);
                if (a.name.startsWith("TATA_TOOLS:")) {
                    EXPECT_GT(a.name.size(), int(strlen("TATA_TOOLS:"))) << a.name.toStdString();
                    labels << a.value;
                }
            }
            const bool inBox = tata.contains(QString("%1:%2").arg(track.sequenceName).arg(v.startPos));
            if (inBox) {
                ++tataSeen;
                tataAnswered += labels.isEmpty() ? 0 : 1;
                for (const QString& l : labels) {
                    significant += l.endsWith("/unsignificant") ? 0 : 1;
                }
            } else if (!labels.isEmpty() && v.isSingleBase()) {
                ++elsewhere;
            }
        }
    }
    EXPECT_EQ(tataSeen, tata.size());
    EXPECT_EQ(tataAnswered, tataSeen);
    EXPECT_GT(significant, 0);
    // Other variations may lie in a promoter window too, but most of the demo's do not.
    EXPECT_LT(elsewhere, tataSeen * 20 + 20);
}

// read -> annotate -> tata-box-snp over one track of about 100,000 variations: the annotation
// commits its effects in batches and the TATA element writes its answers from the engine thread
// meanwhile, and no write ever waits for a lock held by the other.
TEST(TataWorkflowEndToEndTest, ALargeTrackNeverWaitsOnALock) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d = dir.path();
    QString out;
    ASSERT_TRUE(runTool("nolix-demo-data", {"--out-dir", d, "--seed", "3", "--variants", "200000"}, out))
        << out.toStdString();
    ASSERT_TRUE(runTool("nolix-refdb", {"--out", d + "/reference.s3db", "--fasta", d + "/genome.fa", "--genes",
                                        d + "/genes.gff3", "--known-mutations", d + "/known_mutations.vcf"},
                        out))
        << out.toStdString();
    // One chromosome only: one track.
    QFile all(d + "/variants.vcf");
    QFile one(d + "/chr7.vcf");
    ASSERT_TRUE(all.open(QIODevice::ReadOnly) && one.open(QIODevice::WriteOnly));
    int records = 0;
    while (!all.atEnd()) {
        const QByteArray line = all.readLine();
        if (line.startsWith('#') || line.startsWith("chr7\t")) {
            one.write(line);
            records += line.startsWith('#') ? 0 : 1;
        }
    }
    one.close();
    ASSERT_GT(records, 90000);
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NX_LOG_LEVEL", "info");
    p.setProcessEnvironment(env);
    p.start(QString(NX_BINARY_DIR) + "/bin/resource_probe",
            {"--workflow=" + QString(NX_SOURCE_DIR) + "/data/workflows/tata_demo.json", "--set",
             "read.url-in=" + one.fileName(), "--set", "annotate.db_path=" + d + "/reference.s3db", "--set",
             "tata.db_path=" + d + "/reference.s3db"});
    ASSERT_TRUE(p.waitForFinished(240000));
    const QString log = QString::fromLocal8Bit(p.readAll());
    ASSERT_EQ(p.exitCode(), 0) << log.toStdString();
    EXPECT_TRUE(log.contains("Database lock waits during the run: 0 (")) << log.toStdString();
}
