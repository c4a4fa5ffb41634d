// Opening local files through the project loader's task into the main window's list and view.
#include <NxCore/core/AppContext.h>
#include <NxGui/project/Document.h>
#include <NxGui/project/DocumentFormat.h>
#include <NxGui/project/Project.h>
#include <NxGui/testing/GuiTestFixture.h>

#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>

#include <memory>

namespace Nx {

namespace {

QString writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
    return path;
}

const QByteArray FASTA = ">chr1 test\nACGTACGTAC\nGGTT\n>chr2\nNNNN\n";
const QByteArray PDB_TEXT =
    "HEADER    PLANT PROTEIN                           30-APR-81   1CRN\n"
    "ATOM      1  N   THR A   1      17.047  14.099   3.625  1.00 13.79           N\n"
    "ATOM      2  CA  THR A   1      16.967  12.784   4.338  1.00 10.80           C\n"
    "END\n";
const QByteArray VCF = "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\nchr1\t5\trs1\tA\tG\t.\t.\t.\n";
const QByteArray TSV = "gene\tscore\nBRCA2\t0.5\nTP53\t0.9\n";

}  // namespace

class ProjectLoaderTest : public GuiTestFixture {};

TEST_F(ProjectLoaderTest, OpensEachFormatListsItAndShowsTheSelectedDocument) {
    QList<GUrl> urls = {GUrl(writeFile(tmp.filePath("a.fa"), FASTA)), GUrl(writeFile(tmp.filePath("1crn.pdb"), PDB_TEXT)),
                        GUrl(writeFile(tmp.filePath("v.vcf"), VCF)), GUrl(writeFile(tmp.filePath("t.tsv"), TSV))};
    std::unique_ptr<Task> t(projectLoader->openWithProjectTask(urls));
    ASSERT_TRUE(t != nullptr);
    ASSERT_TRUE(runTask(t.get()));
    ASSERT_FALSE(t->hasError()) << t->getError().toStdString();

    const QList<Document*>& docs = projectLoader->getProject()->getDocuments();
    ASSERT_EQ(docs.size(), 4);
    QStringList formats;
    for (Document* d : docs) formats << d->getFormatId();
    EXPECT_TRUE(formats.contains(DocumentFormat::FASTA));
    EXPECT_TRUE(formats.contains(DocumentFormat::PDB));
    EXPECT_TRUE(formats.contains(DocumentFormat::VCF));
    EXPECT_TRUE(formats.contains(DocumentFormat::TSV));
    QStringList listed = mainWindow->getListedDocumentNames();
    listed.sort();
    EXPECT_EQ(listed, QStringList({"1crn.pdb", "a.fa", "t.tsv", "v.vcf"}));

    // The last opened document is selected and shown; choosing another shows that one.
    ASSERT_TRUE(mainWindow->getActiveDocument() != nullptr);
    EXPECT_EQ(mainWindow->getActiveDocument(), docs.last());
    for (int i = 0; i < mainWindow->getDocumentList()->count(); i++) {
        if (mainWindow->getDocumentList()->item(i)->text() == "a.fa") {
            mainWindow->getDocumentList()->setCurrentRow(i);
        }
    }
    EXPECT_EQ(mainWindow->getActiveDocument()->getName(), "a.fa");
    EXPECT_EQ(mainWindow->getDocumentView()->toPlainText(), QString::fromUtf8(FASTA));
    EXPECT_EQ(mainWindow->getActiveDocument()->getSummary(), "2 sequence(s), 18 residues");
}

TEST_F(ProjectLoaderTest, MissingOrBinaryFilesFailWithTheirPathAndOpenNothing) {
    const QString missing = tmp.filePath("nope.fa");
    std::unique_ptr<Task> t(projectLoader->openWithProjectTask({GUrl(missing)}));
    ASSERT_TRUE(runTask(t.get()));
    EXPECT_TRUE(t->hasError());
    EXPECT_TRUE(t->getError().contains(missing)) << t->getError().toStdString();

    const QString binary = writeFile(tmp.filePath("x.bin"), QByteArray("AC\0GT", 5));
    std::unique_ptr<Task> b(projectLoader->openWithProjectTask({GUrl(binary)}));
    ASSERT_TRUE(runTask(b.get()));
    EXPECT_TRUE(b->hasError());
    EXPECT_TRUE(b->getError().contains("not a text file")) << b->getError().toStdString();

    EXPECT_TRUE(projectLoader->getProject()->getDocuments().isEmpty());
    EXPECT_TRUE(mainWindow->getListedDocumentNames().isEmpty());
    EXPECT_EQ(projectLoader->openWithProjectTask({}), nullptr);
}

TEST_F(ProjectLoaderTest, OpeningTheSameFileAgainKeepsOneEntryWithTheNewContent) {
    const QString path = writeFile(tmp.filePath("s.fa"), FASTA);
    std::unique_ptr<Task> first(projectLoader->openWithProjectTask({GUrl(path)}));
    ASSERT_TRUE(runTask(first.get()));
    writeFile(path, ">only\nAC\n");
    std::unique_ptr<Task> second(projectLoader->openWithProjectTask({GUrl(path)}, {{"document_name", "renamed"}}));
    ASSERT_TRUE(runTask(second.get()));
    ASSERT_FALSE(second->hasError());
    EXPECT_EQ(mainWindow->getListedDocumentNames(), QStringList({"renamed"}));
    EXPECT_EQ(mainWindow->getDocumentView()->toPlainText(), ">only\nAC\n");
}

TEST(DocumentFormatTest, RecognisesFormatsByContentNotByName) {
    EXPECT_EQ(DocumentFormat::detect(FASTA, "x.txt"), DocumentFormat::FASTA);
    EXPECT_EQ(DocumentFormat::detect(PDB_TEXT), DocumentFormat::PDB);
    EXPECT_EQ(DocumentFormat::detect("data_1CRN\n#\n_entry.id 1CRN\n"), DocumentFormat::MMCIF);
    EXPECT_EQ(DocumentFormat::detect(VCF, "x.fa"), DocumentFormat::VCF);
    EXPECT_EQ(DocumentFormat::detect(TSV), DocumentFormat::TSV);
    EXPECT_EQ(DocumentFormat::detect("ACGTTGCA\nacgtn\n"), DocumentFormat::RAW_SEQUENCE);
    EXPECT_EQ(DocumentFormat::detect("<html><body>Not found</body></html>\n"), DocumentFormat::PLAIN_TEXT);
    // An HTML page that starts like a PDB record is still no PDB file.
    EXPECT_EQ(DocumentFormat::detect("HEADER x\n<html>\n"), DocumentFormat::PLAIN_TEXT);
    EXPECT_EQ(DocumentFormat::detect("x\ty\nz\n"), DocumentFormat::PLAIN_TEXT);
    EXPECT_TRUE(DocumentFormat::detect(QByteArray("A\0B", 3)).isEmpty());
    EXPECT_TRUE(DocumentFormat::detect(QByteArray("\xff\xfe bad utf8")).isEmpty());
}

}  // namespace Nx
