// The windowed suite as its own process on a virtual X display, with the real X clipboard:
// another X client (xclip) puts a command there, the suite opens the entry from a loopback
// server (a PDB file, an Ensembl FASTA answer) or the pasted data, empties the clipboard and
// lists the document in its window.
#include "ExternalSession.h"

#include <NxGui/testing/LoopbackHttpServer.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

namespace Nx {

namespace {

const QByteArray PDB_1CRN =
    "HEADER    PLANT PROTEIN                           30-APR-81   1CRN\n"
    "ATOM      1  N   THR A   1      17.047  14.099   3.625  1.00 13.79           N\n"
    "ATOM      2  CA  THR A   1      16.967  12.784   4.338  1.00 10.80           C\n"
    "END\n";
const QByteArray ENSG_FASTA = ">ENSG00000139618.19 chromosome:GRCh38:13:32315508:32400268:1\nGGGCTTGTGGCGCGAGCTTCTGAAACTAGGCGGCAGAGGCGGAGCCGCTGTGGCACTGCTGCGCCTCTGCTGCGCCTCGGGTGTCTTTTGCGGCGGTGGGTCGCCGCCGGGAGAAGCGTGAGGGGACAGATTTGTGACCGGCGCGGTTTTTGTCAGCTTACTCCGGCCAAAAAAGAACTGCACCTCTGGAGCGG\n";

}  // namespace

TEST(WebLinkX11ClipboardTest, CommandsFromAnotherXClientOpenInTheWindowedSuite) {
    ensureCoreApplication();
    for (const char* tool : {"Xvfb", "xclip"}) {
        if (findTool(tool).isEmpty()) {
            GTEST_SKIP() << tool << " is not installed (Debian packages xvfb, xclip): the X clipboard test is skipped";
        }
    }
    if (!QFileInfo(QString(NX_BINARY_DIR) + "/bin/nolix").isExecutable()) {
        GTEST_SKIP() << "build/bin/nolix is not built";
    }
    XvfbServer x;
    QString why;
    ASSERT_TRUE(x.start(&why)) << why.toStdString();

    LoopbackHttpServer server;
    ASSERT_TRUE(server.start());
    server.setFile("/1CRN.pdb", PDB_1CRN);
    server.setFile("/sequence/id/ENSG00000139618?content-type=text/x-fasta", ENSG_FASTA);

    QTemporaryDir tmp;
    SuiteProcess suite;
    ASSERT_TRUE(suite.start(x.display(), suiteEnvironment(server.baseUrl(), tmp.path()), &why)) << why.toStdString();
    ASSERT_TRUE(suite.waitForLog("Plug-in loaded: WebLink", 15000)) << suite.log().toStdString();

    XClipboard clipboard(x.display());
    const struct {
        QString command;
        QString listed;
    } cases[] = {
        {"open/PDB;\n 1crn \n", "Document listed in the window: 1crn.pdb"},
        {"open/Ensembl; from a gene page\nENSG00000139618\nENSG00000141510", "Document listed in the window: ENSG00000139618.fa"},
        {"open/selection;\n\n>pasted\nACGTACGT\n", "Document listed in the window: clipboard_data_"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(clipboard.setText(c.command)) << c.command.toStdString();
        EXPECT_TRUE(suite.waitForLog(c.listed, 10000)) << suite.log().toStdString();
        EXPECT_TRUE(spinUntil([&] { return clipboard.text().isEmpty(); }, 5000))
            << "clipboard still holds: " << clipboard.text().toStdString();
    }
    EXPECT_TRUE(QFileInfo(tmp.filePath("downloads/1crn.pdb")).isFile());
    EXPECT_TRUE(QFileInfo(tmp.filePath("downloads/ENSG00000139618.fa")).isFile());
    EXPECT_EQ(server.requestedPaths(),
              QStringList({"/1CRN.pdb", "/sequence/id/ENSG00000139618?content-type=text/x-fasta"}));
    EXPECT_TRUE(suite.log().contains("Document opened: clipboard_data_0.clipboard (FASTA, 1 sequence(s), 8 residues)"))
        << suite.log().toStdString();

    // A text that is no command stays on the clipboard and opens nothing.
    ASSERT_TRUE(clipboard.setText("OPEN/PDB;\n1crn"));
    spinUntil([] { return false; }, 300);
    EXPECT_EQ(clipboard.text(), "OPEN/PDB;\n1crn");
    EXPECT_EQ(suite.log().count("Document listed in the window"), 3);

    EXPECT_EQ(suite.terminate(), 0) << suite.log().toStdString();
}

}  // namespace Nx
