#include "VcfTestFiles.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/log/Logger.h>
#include <NxFormats/vcf/VcfImporter.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>
#include <memory>

#include <sys/stat.h>

using namespace Nx;
using namespace Nx::VcfTestFiles;

namespace {

// chr1 and chr2 interleaved, a multi-allelic record, lower-case bases, and the four kinds of
// ALT that carry no bases.
const char* const MIXED_RECORDS =
    "chr1\t100\trs1\tA\tG\t.\tPASS\t.\n"           // line 6
    "chr1\t200\t.\tc\tt,<DEL>\t.\t.\t.\n"          // line 7
    "chr2\t50\trs2\tAT\tA,ATT,*\t30\t.\tDP=4\n"    // line 8
    "chr1\t300\t.\tG\t.\t.\t.\t.\n"                // line 9
    "chr2\t60\t.\tT\tG]chr1:5]\t.\t.\t.\n"         // line 10
    "chr1\t150\trs9\tC\tA\t.\t.\t.\n";             // line 11

class VcfImporterTest : public ::testing::Test {
protected:
    void SetUp() override {
        con.open(NxDbiRef(SQLITE_DBI_ID, dir.filePath("session.s3db")), true, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    }

    QString file(const QString& name, const QString& text) {
        QString p = dir.filePath(name);
        writeText(p, text);
        return p;
    }

    QList<NxVariant> variantsOf(const NxVariantTrack& t) {
        QList<NxVariant> res;
        NxOpStatusImpl readOs;
        std::unique_ptr<NxDbiIterator<NxVariant>> it(
            con.dbi->getVariantDbi()->getVariantsInRegion(t.id, NxRegion(0, std::numeric_limits<qint64>::max()), readOs));
        while (it && it->hasNext()) res << it->next();
        return res;
    }

    static QString describe(const NxVariant& v) {
        return QString("%1-%2 %3>%4 %5").arg(v.startPos).arg(v.endPos)
            .arg(QString::fromLatin1(v.refData), QString::fromLatin1(v.obsData), v.publicId).trimmed();
    }

    QStringList describeTrack(const NxVariantTrack& t) {
        QStringList res;
        for (const NxVariant& v : variantsOf(t)) res << describe(v);
        return res;
    }

    // The expected content of MIXED_RECORDS, in whatever container it arrived.
    void expectMixedContent(const QString& path) {
        VcfImporter importer(con);
        LogCapture log;
        QList<NxVariantTrack> tracks = importer.importFile(path, os);
        ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
        ASSERT_EQ(tracks.size(), 2);
        EXPECT_EQ(tracks[0].sequenceName, "chr1");
        EXPECT_EQ(tracks[0].visualName, "chr1");
        EXPECT_TRUE(tracks[0].sequence.isEmpty());
        EXPECT_EQ(tracks[1].sequenceName, "chr2");
        EXPECT_EQ(describeTrack(tracks[0]), QStringList({"99-100 A>G rs1", "149-150 C>A rs9", "199-200 C>T"}));
        EXPECT_EQ(describeTrack(tracks[1]), QStringList({"49-51 AT>A rs2", "49-51 AT>ATT rs2"}));
        EXPECT_EQ(importer.getImportedVariantCount(), 5);
        EXPECT_EQ(importer.getSkippedAlleleCount(), 4);
        EXPECT_TRUE(log.contains("Input/Output", LogLevel_INFO, "Skipped 4 ALT alleles"));
        EXPECT_EQ(os.getProgress(), 100);
    }

    QTemporaryDir dir;
    NxOpStatusImpl os;
    DbiConnection con;
};

TEST_F(VcfImporterTest, PlainVcfGivesOneTrackPerChromosomeAndOneVariationPerAlt) {
    expectMixedContent(file("in.vcf", header() + MIXED_RECORDS));
}

TEST_F(VcfImporterTest, BgzippedVcfGivesTheSameResult) {
    QString plain = file("in.vcf", header() + MIXED_RECORDS);
    ASSERT_TRUE(bgzip(plain, dir.filePath("in.vcf.gz")));
    expectMixedContent(dir.filePath("in.vcf.gz"));
}

TEST_F(VcfImporterTest, BcfGivesTheSameResult) {
    QString plain = file("in.vcf", header() + MIXED_RECORDS);
    ASSERT_TRUE(toBcf(plain, dir.filePath("in.bcf")));
    expectMixedContent(dir.filePath("in.bcf"));
}

TEST_F(VcfImporterTest, ChromosomeSeenAgainLaterKeepsItsTrack) {
    QString p = file("in.vcf", header() +
                                   "chr2\t5\t.\tA\tC\t.\t.\t.\n"
                                   "chr1\t7\t.\tA\tC\t.\t.\t.\n"
                                   "chr2\t3\t.\tG\tT\t.\t.\t.\n"
                                   "chr3\t1\t.\tG\tT\t.\t.\t.\n");  // not in the header: htslib adds it
    QList<NxVariantTrack> tracks = VcfImporter(con).importFile(p, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    ASSERT_EQ(tracks.size(), 3);
    EXPECT_EQ(tracks[0].sequenceName, "chr2");
    EXPECT_EQ(tracks[1].sequenceName, "chr1");
    EXPECT_EQ(tracks[2].sequenceName, "chr3");
    EXPECT_EQ(describeTrack(tracks[0]), QStringList({"2-3 G>T", "4-5 A>C"}));
    EXPECT_EQ(con.dbi->getVariantDbi()->getVariantTracks(os).size(), 3);
}

TEST_F(VcfImporterTest, BatchesAcrossTheBufferSizeLoseNothing) {
    QString text = header();
    const int n = VcfImporter::BATCH_SIZE * 2 + 17;
    for (int i = 0; i < n; ++i) {
        text += QString("chr1\t%1\tid%2\tA\tG\t.\t.\t.\n").arg(n - i).arg(i);  // descending positions
    }
    QList<NxVariantTrack> tracks = VcfImporter(con).importFile(file("big.vcf", text), os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    ASSERT_EQ(tracks.size(), 1);
    EXPECT_EQ(con.dbi->getVariantDbi()->countVariants(tracks[0].id, os), n);
    QList<NxVariant> vs = variantsOf(tracks[0]);
    ASSERT_EQ(vs.size(), n);
    EXPECT_EQ(vs.first().startPos, 0);
    EXPECT_EQ(vs.first().publicId, QString("id%1").arg(n - 1));
    EXPECT_EQ(vs.last().startPos, n - 1);
}

// Cancels as soon as the importer reports progress past the start, as a user would mid-import.
class CancelOnProgressStatus : public NxOpStatusImpl {
public:
    void setProgress(int percent) override {
        NxOpStatusImpl::setProgress(percent);
        if (percent > 0 && percent < 100) setCanceled(true);
    }
};

TEST_F(VcfImporterTest, CancelStopsTheImportAndKeepsWhatWasStored) {
    QString text = header();
    const int n = 60000;
    for (int i = 1; i <= n; ++i) text += QString("chr1\t%1\t.\tA\tG\t.\t.\t.\n").arg(i);
    CancelOnProgressStatus cancelOs;
    VcfImporter importer(con);
    QList<NxVariantTrack> tracks = importer.importFile(file("long.vcf", text), cancelOs);
    EXPECT_TRUE(cancelOs.isCanceled());
    EXPECT_FALSE(cancelOs.hasError());
    ASSERT_EQ(tracks.size(), 1);
    qint64 stored = importer.getImportedVariantCount();
    EXPECT_GT(stored, 0);
    EXPECT_LT(stored, n);
    EXPECT_EQ(committedVariantCount(dir.filePath("session.s3db")), stored);
}

class VcfImporterErrorTest : public VcfImporterTest {
protected:
    // 20 good records of chr1 (lines 6 to 25), then bad at line 26, then 5 more good ones.
    QString fileWithBadLine(const QString& bad) {
        QString text = header();
        for (int i = 1; i <= 20; ++i) text += QString("chr1\t%1\t.\tA\tG\t.\t.\t.\n").arg(i * 10);
        text += bad + "\n";
        for (int i = 1; i <= 5; ++i) text += QString("chr1\t%1\t.\tA\tG\t.\t.\t.\n").arg(1000 + i);
        return file("bad.vcf", text);
    }

    void expectFailureAtLine26(const QString& badLine, const QString& reasonPart) {
        QString p = fileWithBadLine(badLine);
        QList<NxVariantTrack> tracks = VcfImporter(con).importFile(p, os);
        ASSERT_TRUE(os.hasError());
        EXPECT_TRUE(os.getError().contains(p)) << os.getError().toStdString();
        EXPECT_TRUE(os.getError().contains("line 26:")) << os.getError().toStdString();
        EXPECT_TRUE(os.getError().contains(reasonPart)) << os.getError().toStdString();
        // The records before the bad line are stored and committed.
        ASSERT_EQ(tracks.size(), 1);
        NxOpStatusImpl readOs;
        EXPECT_EQ(con.dbi->getVariantDbi()->countVariants(tracks[0].id, readOs), 20);
        EXPECT_EQ(variantsOf(tracks[0]).size(), 20);
        EXPECT_EQ(committedVariantCount(dir.filePath("session.s3db")), 20);
    }
};

TEST_F(VcfImporterErrorTest, NonNumericPosNamesFileAndLine) {
    expectFailureAtLine26("chr1\tabc\t.\tA\tG\t.\t.\t.", "POS 'abc'");
}

TEST_F(VcfImporterErrorTest, MissingColumnsNameFileAndLine) {
    expectFailureAtLine26("chr1\t300\t.\tA", "8 tab-separated columns");
}

TEST_F(VcfImporterErrorTest, RefThatIsNoSequenceNamesFileAndLine) {
    expectFailureAtLine26("chr1\t300\t.\tA!\tG\t.\t.\t.", "REF 'A!'");
}

// The largest POS htslib takes, with a REF that would end past it, and a REF running past the
// contig length of the header.
TEST_F(VcfImporterErrorTest, PositionsBeyondTheContigNameFileAndLine) {
    expectFailureAtLine26("chr1\t9223372036854775807\t.\tACG\tA\t.\t.\t.", "lies beyond the end of chr1");
}

TEST_F(VcfImporterErrorTest, ARefPastTheHeaderContigLengthNamesFileAndLine) {
    const QString p = file("short.vcf", "##fileformat=VCFv4.2\n##contig=<ID=chr9,length=100>\n"
                                        "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n"
                                        "chr9\t99\t.\tAC\tA\t.\t.\t.\n"
                                        "chr9\t100\t.\tAC\tA\t.\t.\t.\n");
    VcfImporter(con).importFile(p, os);
    ASSERT_TRUE(os.hasError());
    EXPECT_TRUE(os.getError().contains(p + "' at line 5: POS 100 with 2 REF base(s) lies beyond the end of chr9 "
                                           "(length 100 in the header)"))
        << os.getError().toStdString();
}

TEST_F(VcfImporterErrorTest, NulByteNamesFileAndLine) {
    expectFailureAtLine26(QString::fromLatin1("chr1\t260\t.\tA\tG\t.\t.\tDP=1\0", 24) + "0", "NUL byte in column 24");
}

TEST_F(VcfImporterErrorTest, ZeroPosNamesFileAndLine) {
    expectFailureAtLine26("chr1\t0\t.\tA\tG\t.\t.\t.", "POS '0'");
}

TEST_F(VcfImporterErrorTest, PaddedZeroPosNamesFileAndLine) {
    expectFailureAtLine26("chr1\t000\t.\tA\tG\t.\t.\t.", "POS '000'");
}

TEST_F(VcfImporterErrorTest, SignedPosNamesFileAndLine) {
    expectFailureAtLine26("chr1\t+300\t.\tA\tG\t.\t.\t.", "POS '+300'");
}

// Zeros before the digits change nothing: the plain-digit check and the full conversion agree.
TEST_F(VcfImporterErrorTest, ZeroPaddedPositionsAreRead) {
    const QString p = file("padded.vcf", header() + "chr1\t007\t.\tA\tG\t.\t.\t.\n"
                                                    "chr1\t0000000000000000000009\t.\tC\tT\t.\t.\t.\n");
    const QList<NxVariantTrack> tracks = VcfImporter(con).importFile(p, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    ASSERT_EQ(tracks.size(), 1);
    const QList<NxVariant> vs = variantsOf(tracks[0]);
    ASSERT_EQ(vs.size(), 2);
    EXPECT_EQ(vs[0].startPos, 6);
    EXPECT_EQ(vs[1].startPos, 8);
}

TEST_F(VcfImporterErrorTest, BlankLinesCountButDoNotFail) {
    QString p = file("blank.vcf", header() + "chr1\t1\t.\tA\tG\t.\t.\t.\n\nchr1\tx\t.\tA\tG\t.\t.\t.\n");
    VcfImporter(con).importFile(p, os);
    EXPECT_TRUE(os.getError().contains("line 8:")) << os.getError().toStdString();
}

TEST_F(VcfImporterErrorTest, MissingFileIsAClearError) {
    QString p = dir.filePath("absent.vcf");
    QList<NxVariantTrack> tracks = VcfImporter(con).importFile(p, os);
    EXPECT_TRUE(tracks.isEmpty());
    EXPECT_TRUE(os.getError().contains(p));
    EXPECT_TRUE(os.getError().contains("does not exist")) << os.getError().toStdString();
}

TEST_F(VcfImporterErrorTest, TextThatIsNoVcfIsRefused) {
    QString p = file("notes.txt", "just some notes\nmore notes\n");
    VcfImporter(con).importFile(p, os);
    EXPECT_TRUE(os.getError().contains(p)) << os.getError().toStdString();
    NxOpStatusImpl os2;
    QString noChrom = file("nochrom.vcf", "##fileformat=VCFv4.2\n##contig=<ID=chr1>\n");
    VcfImporter(con).importFile(noChrom, os2);
    EXPECT_TRUE(os2.getError().contains(noChrom)) << os2.getError().toStdString();
}

TEST_F(VcfImporterErrorTest, TruncatedBgzipFileFailsNamingTheFile) {
    QString text = header();
    for (int i = 1; i <= 30000; ++i) text += QString("chr1\t%1\t.\tA\tG\t.\t.\t.\n").arg(i);
    QString plain = file("long.vcf", text);
    ASSERT_TRUE(bgzip(plain, dir.filePath("long.vcf.gz")));
    QString cut = dir.filePath("cut.vcf.gz");
    truncateCopy(dir.filePath("long.vcf.gz"), cut, QFileInfo(dir.filePath("long.vcf.gz")).size() / 2);
    QList<NxVariantTrack> tracks = VcfImporter(con).importFile(cut, os);
    ASSERT_TRUE(os.hasError());
    EXPECT_TRUE(os.getError().contains(cut)) << os.getError().toStdString();
    EXPECT_TRUE(os.getError().contains("line ")) << os.getError().toStdString();
    ASSERT_EQ(tracks.size(), 1);
    // Everything before the damage is kept.
    EXPECT_GT(variantsOf(tracks[0]).size(), 1000);
    EXPECT_EQ(committedVariantCount(dir.filePath("session.s3db")), variantsOf(tracks[0]).size());
}

TEST_F(VcfImporterErrorTest, TruncatedBcfFailsNamingTheFileAndRecord) {
    QString text = header();
    for (int i = 1; i <= 30000; ++i) text += QString("chr1\t%1\t.\tA\tG\t.\t.\t.\n").arg(i);
    ASSERT_TRUE(toBcf(file("long.vcf", text), dir.filePath("long.bcf")));
    QString cut = dir.filePath("cut.bcf");
    truncateCopy(dir.filePath("long.bcf"), cut, QFileInfo(dir.filePath("long.bcf")).size() / 2);
    VcfImporter(con).importFile(cut, os);
    ASSERT_TRUE(os.hasError());
    EXPECT_TRUE(os.getError().contains(cut)) << os.getError().toStdString();
    EXPECT_TRUE(os.getError().contains("record ")) << os.getError().toStdString();
}

TEST_F(VcfImporterErrorTest, NoDatabaseIsAnError) {
    QString p = file("in.vcf", header() + MIXED_RECORDS);
    VcfImporter(static_cast<NxDbi*>(nullptr)).importFile(p, os);
    EXPECT_TRUE(os.getError().contains(p));
}

}  // namespace

// What is wrong is said as it is: damaged compressed data is no malformed record, a folder or a
// named pipe is no missing file.
TEST_F(VcfImporterErrorTest, TruncatedGzipFolderAndPipeAreNamedAsSuch) {
    QString text = header();
    for (int i = 1; i <= 30000; ++i) text += QString("chr1\t%1\trs%1\tA\tG\t50\tPASS\tDP=%1\n").arg(i);
    const QString plain = file("long.vcf", text);
    QProcess gz;
    gz.start("gzip", {"-f", plain});
    ASSERT_TRUE(gz.waitForFinished(10000));
    ASSERT_EQ(gz.exitCode(), 0);
    for (int cutAt : {3, 2}) {
        const QString cut = dir.filePath(QString("cut%1.vcf.gz").arg(cutAt));
        truncateCopy(plain + ".gz", cut, QFileInfo(plain + ".gz").size() / cutAt);
        NxOpStatusImpl cutOs;
        VcfImporter(con).importFile(cut, cutOs);
        ASSERT_TRUE(cutOs.hasError());
        EXPECT_TRUE(cutOs.getError().contains(cut)) << cutOs.getError().toStdString();
        EXPECT_TRUE(cutOs.getError().contains("truncated")) << cutOs.getError().toStdString();
        EXPECT_FALSE(cutOs.getError().contains("columns")) << cutOs.getError().toStdString();
        EXPECT_FALSE(cutOs.getError().contains("Malformed")) << cutOs.getError().toStdString();
    }

    NxOpStatusImpl dirOs;
    VcfImporter(con).importFile(dir.path(), dirOs);
    EXPECT_TRUE(dirOs.getError().contains("is a folder")) << dirOs.getError().toStdString();

    const QString fifo = dir.filePath("pipe.vcf");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    NxOpStatusImpl pipeOs;
    VcfImporter(con).importFile(fifo, pipeOs);
    EXPECT_TRUE(pipeOs.getError().contains("not a regular file (a named pipe")) << pipeOs.getError().toStdString();
    EXPECT_FALSE(pipeOs.getError().contains("does not exist")) << pipeOs.getError().toStdString();
}
