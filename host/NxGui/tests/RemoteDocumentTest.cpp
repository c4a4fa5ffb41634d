// Remote entries fetched from a loopback server into the download folder and opened in the
// window; every way a download can go wrong ends in a clear error and leaves no file behind.
#include <NxGui/project/Document.h>
#include <NxGui/project/DocumentFormat.h>
#include <NxGui/project/Project.h>
#include <NxGui/remote/LoadRemoteDocumentAndOpenViewTask.h>
#include <NxGui/testing/GuiTestFixture.h>
#include <NxGui/testing/LoopbackHttpServer.h>
#include <NxGui/testing/RemoteEntries.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <memory>

namespace Nx {

namespace {

const QByteArray ENSEMBL_FASTA = ">ENSG00000139618.19 chromosome:GRCh38:13:32315508:32400268:1\nGGGCTTGTGGCGC\nAGCTT\n";

}  // namespace

class RemoteDocumentTest : public GuiTestFixture {
protected:
    void SetUp() override {
        GuiTestFixture::SetUp();
        ASSERT_TRUE(server.start());
        qputenv("NX_PDB_URL", server.baseUrl().toUtf8());
        qputenv("NX_ENSEMBL_URL", server.baseUrl().toUtf8());
        folder = tmp.filePath("dl");
    }
    void TearDown() override {
        GuiTestFixture::TearDown();
        for (const char* v : {"NX_PDB_URL", "NX_ENSEMBL_URL", "NX_DOWNLOAD_TIMEOUT_MS", "NX_DOWNLOAD_MAX_BYTES"}) {
            qunsetenv(v);
        }
    }
    std::unique_ptr<Task> open(const QString& id, const QString& db) {
        std::unique_ptr<Task> t(new LoadRemoteDocumentAndOpenViewTask(id, db, folder));
        EXPECT_TRUE(runTask(t.get()));
        return t;
    }
    QStringList folderFiles() const { return QDir(folder).entryList(QDir::Files); }

    LoopbackHttpServer server;
    QString folder;
};

TEST_F(RemoteDocumentTest, PdbAndEnsemblEntriesDownloadIntoTheFolderAndOpen) {
    server.setFile("/1CRN.pdb", PDB_1CRN);
    server.setFile("/sequence/id/ENSG00000139618?content-type=text/x-fasta", ENSEMBL_FASTA);

    auto pdb = open("1crn", "PDB");
    ASSERT_FALSE(pdb->hasError()) << pdb->getError().toStdString();
    auto ens = open("ENSG00000139618", "ENSEMBL");
    ASSERT_FALSE(ens->hasError()) << ens->getError().toStdString();

    EXPECT_EQ(folderFiles(), QStringList({"1crn.pdb", "ENSG00000139618.fa"}));
    QFile f(folder + "/1crn.pdb");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), PDB_1CRN);
    EXPECT_EQ(mainWindow->getListedDocumentNames(), QStringList({"1crn.pdb", "ENSG00000139618.fa"}));
    const QList<Document*>& docs = projectLoader->getProject()->getDocuments();
    EXPECT_EQ(docs.at(0)->getFormatId(), DocumentFormat::PDB);
    EXPECT_EQ(docs.at(1)->getFormatId(), DocumentFormat::FASTA);

    // A second request for an entry already downloaded is served from the folder.
    auto again = open("1crn", "PDB");
    EXPECT_FALSE(again->hasError());
    EXPECT_EQ(server.requestedPaths().count("/1CRN.pdb"), 1);
}

TEST_F(RemoteDocumentTest, HttpErrorsAndWrongContentFailWithoutAFile) {
    auto missing = open("9zzz", "PDB");
    ASSERT_TRUE(missing->hasError());
    EXPECT_TRUE(missing->getError().contains("HTTP 404")) << missing->getError().toStdString();
    EXPECT_TRUE(missing->getError().contains("/9ZZZ.pdb")) << missing->getError().toStdString();

    // A 200 answer that is an HTML page is not opened as an entry.
    server.setFile("/sequence/id/ENSG00000000001?content-type=text/x-fasta", "<html>maintenance</html>\n", "text/html");
    auto html = open("ENSG00000000001", "ENSEMBL");
    ASSERT_TRUE(html->hasError());
    EXPECT_TRUE(html->getError().contains("not a FASTA entry")) << html->getError().toStdString();

    EXPECT_TRUE(folderFiles().isEmpty()) << folderFiles().join(",").toStdString();
    EXPECT_TRUE(mainWindow->getListedDocumentNames().isEmpty());
}

TEST_F(RemoteDocumentTest, AStalledServerTimesOut) {
    qputenv("NX_DOWNLOAD_TIMEOUT_MS", "400");
    LoopbackHttpServer::Response stall;
    stall.stall = true;
    server.setRoute("/2ABC.pdb", stall);
    QElapsedTimer t;
    t.start();
    auto task = open("2abc", "PDB");
    ASSERT_TRUE(task->hasError());
    EXPECT_TRUE(task->getError().contains("within 400 ms")) << task->getError().toStdString();
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_TRUE(folderFiles().isEmpty());
}

TEST_F(RemoteDocumentTest, EntriesAboveTheSizeLimitAreRefused) {
    qputenv("NX_DOWNLOAD_MAX_BYTES", "100");
    QByteArray big = PDB_1CRN;
    while (big.size() < 1000) big += "REMARK   1 padding padding padding padding padding padding padding\n";
    server.setFile("/3ABC.pdb", big);
    auto announced = open("3abc", "PDB");
    ASSERT_TRUE(announced->hasError());
    EXPECT_TRUE(announced->getError().contains("too large")) << announced->getError().toStdString();

    // Without an announced length the download is cut off at the limit as well.
    LoopbackHttpServer::Response lying;
    lying.body = big;
    lying.sendLength = false;
    server.setRoute("/4ABC.pdb", lying);
    auto streamed = open("4abc", "PDB");
    ASSERT_TRUE(streamed->hasError());
    EXPECT_TRUE(folderFiles().isEmpty()) << folderFiles().join(",").toStdString();
}

TEST_F(RemoteDocumentTest, BadIdentifiersNeverReachTheNetworkOrLeaveTheFolder) {
    for (const QString& id : {QString("../../x"), QString("1c/n"), QString("1c n"), QString()}) {
        auto t = open(id, "PDB");
        ASSERT_TRUE(t->hasError()) << id.toStdString();
        EXPECT_TRUE(t->getError().contains("not a valid PDB identifier")) << t->getError().toStdString();
    }
    auto db = open("1crn", "GENBANK");
    EXPECT_TRUE(db->getError().contains("Unknown remote database")) << db->getError().toStdString();
    EXPECT_TRUE(server.requestedPaths().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath("x")));
}

TEST_F(RemoteDocumentTest, DownloadFolderComesFromTheEnvironmentAndIsCreated) {
    EXPECT_EQ(BaseLoadRemoteDocumentTask::getDefaultDownloadDirectory(), QDir::cleanPath(tmp.path() + "/downloads"));
    QString dir = BaseLoadRemoteDocumentTask::getDefaultDownloadDirectory();
    EXPECT_TRUE(BaseLoadRemoteDocumentTask::prepareDownloadDirectory(dir));
    EXPECT_TRUE(QFileInfo(dir).isDir());

    // A folder that cannot be made (a file is in the way) falls back to a usable one.
    QFile blocker(tmp.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString blocked = tmp.filePath("file/sub");
    EXPECT_FALSE(BaseLoadRemoteDocumentTask::prepareDownloadDirectory(blocked));
    EXPECT_NE(blocked, tmp.filePath("file/sub"));
    EXPECT_TRUE(QFileInfo(blocked).isDir() && QFileInfo(blocked).isWritable());
}

}  // namespace Nx
