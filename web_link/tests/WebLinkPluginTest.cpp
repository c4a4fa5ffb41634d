// The plug-in in a windowed suite inside the test: the application's real clipboard (in-process
// under the offscreen platform), a real scheduler, project loader and main window, and a
// loopback server in place of PDB and Ensembl.
#include "ClipboardCommand.h"
#include "WebLinkPlugin.h"

#include <NxCore/counters/GCounter.h>
#include <NxCore/log/Logger.h>
#include <NxCore/settings/AppSettings.h>
#include <NxGui/project/Document.h>
#include <NxGui/project/DocumentFormat.h>
#include <NxGui/project/Project.h>
#include <NxGui/testing/GuiTestFixture.h>
#include <NxGui/testing/LoopbackHttpServer.h>
#include <NxGui/testing/RemoteEntries.h>
#include <NxPrivate/plugin/PluginSupportImpl.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <memory>

extern "C" Nx::Plugin* nolix_plugin_init();

namespace Nx {

namespace {

qint64 counterValue(const QString& name) {
    for (GCounter* c : GCounter::allCounters()) {
        if (c->getName() == name) return c->getTotalCount();
    }
    return 0;
}

}  // namespace

class WebLinkPluginTest : public GuiTestFixture {
protected:
    void SetUp() override {
        GuiTestFixture::SetUp();
        ASSERT_TRUE(server.start());
        server.setFile("/1CRN.pdb", PDB_1CRN);
        server.setFile("/sequence/id/ENSG00000139618?content-type=text/x-fasta", ENSG_FASTA);
        qputenv("NX_PDB_URL", server.baseUrl().toUtf8());
        qputenv("NX_ENSEMBL_URL", server.baseUrl().toUtf8());
        downloads = tmp.path() + "/downloads";
        // Start every test from a clipboard and a remembered text that hold no command.
        clipboard()->setText(QString("start of %1").arg(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        plugin.reset(static_cast<WebLinkPlugin*>(nolix_plugin_init()));
        ASSERT_TRUE(plugin != nullptr);
    }
    void TearDown() override {
        plugin.reset();
        GuiTestFixture::TearDown();
        qunsetenv("NX_PDB_URL");
        qunsetenv("NX_ENSEMBL_URL");
    }
    static QClipboard* clipboard() { return QGuiApplication::clipboard(); }
    bool waitForDocument(const QString& name) {
        return waitFor([&] { return mainWindow->getListedDocumentNames().contains(name); }) && waitForIdle();
    }

    LoopbackHttpServer server;
    std::unique_ptr<WebLinkPlugin> plugin;
    QString downloads;
};

TEST_F(WebLinkPluginTest, LoadsOnlyWithAMainWindow) {
    EXPECT_EQ(plugin->getName(), "WebLink");
    EXPECT_EQ(plugin->getDescription(), "Web link");

    // The built library through the real loader, as resource_probe would load it: no window, no plug-in.
    AppContextImpl::getApplicationContext()->setMainWindow(nullptr);
    PluginSupportImpl support(false);
    LogCapture log;
    EXPECT_EQ(support.loadPlugin(QString(NX_BINARY_DIR) + "/plugins/libweb_link.so"), nullptr);
    EXPECT_TRUE(log.contains("returned no plug-in"));
    EXPECT_EQ(nolix_plugin_init(), nullptr);
    AppContextImpl::getApplicationContext()->setMainWindow(mainWindow);
}

TEST_F(WebLinkPluginTest, PdbCommandWithBlanksOpensTheEntryAndEmptiesTheClipboard) {
    const qint64 before = counterValue("WebLink:open/PDB");
    clipboard()->setText("open/PDB;\n 1crn \n");
    ASSERT_TRUE(waitForDocument("1crn.pdb")) << mainWindow->getListedDocumentNames().join(",").toStdString();
    EXPECT_EQ(clipboard()->text(), "");
    EXPECT_EQ(server.requestedPaths(), QStringList({"/1CRN.pdb"}));
    EXPECT_TRUE(QFileInfo(downloads + "/1crn.pdb").isFile());
    EXPECT_EQ(counterValue("WebLink:open/PDB"), before + 1);
    EXPECT_EQ(projectLoader->getProject()->getDocuments().last()->getFormatId(), DocumentFormat::PDB);

    // The same command copied again is carried out again.
    clipboard()->setText("open/PDB;\n 1crn \n");
    EXPECT_EQ(counterValue("WebLink:open/PDB"), before + 2);
    EXPECT_EQ(clipboard()->text(), "");
    EXPECT_TRUE(waitForIdle());
}

TEST_F(WebLinkPluginTest, WordsAfterThePrefixAndFurtherLinesChangeNothing) {
    clipboard()->setText("open/Ensembl; copied from the gene page\n  ENSG00000139618  \nENSG00000141510\n");
    ASSERT_TRUE(waitForDocument("ENSG00000139618.fa"));
    EXPECT_EQ(server.requestedPaths(), QStringList({"/sequence/id/ENSG00000139618?content-type=text/x-fasta"}));
    EXPECT_EQ(clipboard()->text(), "");
}

TEST_F(WebLinkPluginTest, OtherCaseAndTextsWithoutLineBreakDoNothing) {
    clipboard()->setText("open/PDB; 1crn");
    EXPECT_FALSE(QFileInfo::exists(downloads));  // no line break: not even the folder
    EXPECT_EQ(WebLinkPlugin::getRememberedText(), "open/PDB; 1crn");
    clipboard()->setText("OPEN/PDB;\n1crn");
    // Any text with a line break prepares the download folder.
    EXPECT_TRUE(QFileInfo(downloads).isDir());
    EXPECT_EQ(clipboard()->text(), "OPEN/PDB;\n1crn");
    EXPECT_TRUE(waitForIdle());
    EXPECT_TRUE(server.requestedPaths().isEmpty());
    EXPECT_TRUE(mainWindow->getListedDocumentNames().isEmpty());
}

TEST_F(WebLinkPluginTest, AnUnchangedTextIsNotLookedAtAgain) {
    clipboard()->setText("some notes\nsecond line");
    ASSERT_TRUE(QDir(downloads).removeRecursively());
    plugin->sl_clipboardCheck();  // e.g. a change of the selection only
    EXPECT_FALSE(QFileInfo::exists(downloads));
    EXPECT_EQ(WebLinkPlugin::getRememberedText(), "some notes\nsecond line");
}

TEST_F(WebLinkPluginTest, SelectionIsWrittenTrimmedToOneTemporaryFileAndOpened) {
    const qint64 before = counterValue("WebLink:open/selection");
    clipboard()->setText("open/selection; pasted\n\n  >s1\nACGT\n>s2\nGG\n \n");
    ASSERT_TRUE(waitFor([&] { return mainWindow->getListedDocumentNames().size() == 1; }));
    ASSERT_TRUE(waitForIdle());
    EXPECT_EQ(clipboard()->text(), "");
    EXPECT_EQ(counterValue("WebLink:open/selection"), before + 1);

    Document* doc = projectLoader->getProject()->getDocuments().first();
    QFileInfo fi(doc->getURL().getURLString());
    EXPECT_EQ(fi.absolutePath(), QFileInfo(UserAppsSettings::getCurrentProcessTemporaryDirPath()).absoluteFilePath());
    EXPECT_TRUE(fi.fileName().startsWith("clipboard_data")) << fi.fileName().toStdString();
    EXPECT_EQ(fi.suffix(), "clipboard");
    QFile f(fi.absoluteFilePath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), ">s1\nACGT\n>s2\nGG");
    EXPECT_EQ(doc->getFormatId(), DocumentFormat::FASTA);
    EXPECT_TRUE(QFileInfo(downloads).isDir());
}

TEST_F(WebLinkPluginTest, UnsafeCommandsAreLoggedWithoutTheirTextAndIgnored) {
    const qint64 pdbBefore = counterValue("WebLink:open/PDB");
    const qint64 selBefore = counterValue("WebLink:open/selection");
    const QString tmpDir = UserAppsSettings::getCurrentProcessTemporaryDirPath();
    const int tmpFilesBefore = QDir(tmpDir).entryList(QDir::Files).size();
    LogCapture log;
    const QStringList texts = {"open/PDB;\n../../x", "open/PDB;\n1c/n secret-token-1", "open/Ensembl;\nENSG 00000139618",
                               "open/PDB;\n",
                               "open/selection;\nsecret-token-2" + QString(ClipboardCommand::MAX_SELECTION_CHARS, 'A')};
    for (const QString& t : texts) {
        clipboard()->setText(t);
        EXPECT_EQ(clipboard()->text(), t);  // not emptied: nothing was done
    }
    EXPECT_TRUE(waitForIdle());
    EXPECT_TRUE(server.requestedPaths().isEmpty());
    EXPECT_TRUE(mainWindow->getListedDocumentNames().isEmpty());
    EXPECT_EQ(counterValue("WebLink:open/PDB"), pdbBefore);
    EXPECT_EQ(counterValue("WebLink:open/selection"), selBefore);
    EXPECT_EQ(QDir(tmpDir).entryList(QDir::Files).size(), tmpFilesBefore);
    EXPECT_FALSE(QFileInfo::exists(tmp.path() + "/x"));

    int ignored = 0;
    for (const LogMessage& m : log.messages()) {
        EXPECT_FALSE(m.text.contains("secret-token")) << m.text.toStdString();
        EXPECT_FALSE(m.text.contains("../../x")) << m.text.toStdString();
        ignored += m.text.contains("was ignored") ? 1 : 0;
    }
    EXPECT_EQ(ignored, texts.size());
}

}  // namespace Nx
