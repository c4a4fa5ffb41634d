// Reading clipboard texts as commands, and the rules that keep untrusted texts harmless.
#include "ClipboardCommand.h"

#include <gtest/gtest.h>

namespace Nx {

TEST(ClipboardCommandTest, PrefixLineBreakAndPayload) {
    ClipboardCommand pdb = ClipboardCommand::parse("open/PDB;\n 1crn \n");
    EXPECT_EQ(pdb.getKind(), ClipboardCommand::Kind_OpenPdb);
    EXPECT_EQ(pdb.getIdentifier(), "1crn");
    EXPECT_EQ(pdb.getDatabaseName(), "PDB");
    EXPECT_EQ(pdb.getCounterName(), "WebLink:open/PDB");
    EXPECT_TRUE(pdb.isSafe());

    // Words after the prefix change nothing; only the first payload line counts, simplified.
    ClipboardCommand words = ClipboardCommand::parse("open/Ensembl; from the gene page\r\n\n  ENSG00000139618 \nENSG00000141510");
    EXPECT_EQ(words.getKind(), ClipboardCommand::Kind_OpenEnsembl);
    EXPECT_EQ(words.getIdentifier(), "ENSG00000139618");
    EXPECT_EQ(words.getDatabaseName(), "ENSEMBL");
    EXPECT_EQ(ClipboardCommand::parse("open/PDB;\n1c \t  rn\n2abc").getIdentifier(), "1c rn");

    ClipboardCommand sel = ClipboardCommand::parse("open/selection;\n\n  >s1\nACGT\n\n>s2\nGG \n\n");
    EXPECT_EQ(sel.getKind(), ClipboardCommand::Kind_OpenSelection);
    EXPECT_EQ(sel.getPayload(), ">s1\nACGT\n\n>s2\nGG");
    EXPECT_TRUE(sel.getIdentifier().isEmpty());
    EXPECT_EQ(sel.getCounterName(), "WebLink:open/selection");
}

TEST(ClipboardCommandTest, OtherCaseOtherFirstLinesOrNoLineBreakAreNoCommands) {
    ClipboardCommand upper = ClipboardCommand::parse("OPEN/PDB;\n1crn");
    EXPECT_TRUE(upper.hasLineBreak());
    EXPECT_EQ(upper.getKind(), ClipboardCommand::Kind_None);
    EXPECT_EQ(ClipboardCommand::parse(" open/PDB;\n1crn").getKind(), ClipboardCommand::Kind_None);
    EXPECT_EQ(ClipboardCommand::parse("open/PDB\n1crn").getKind(), ClipboardCommand::Kind_None);
    ClipboardCommand flat = ClipboardCommand::parse("open/PDB; 1crn");
    EXPECT_FALSE(flat.hasLineBreak());
    EXPECT_EQ(flat.getKind(), ClipboardCommand::Kind_None);
    EXPECT_FALSE(ClipboardCommand::parse(QString()).hasLineBreak());
    EXPECT_FALSE(flat.isSafe());
}

TEST(ClipboardCommandTest, UnsafeCommandsAreRefusedWithoutQuotingThem) {
    for (const char* text : {"open/PDB;\n../../x", "open/PDB;\n1c/n", "open/PDB;\n1c rn", "open/PDB;\n",
                             "open/Ensembl;\nENSG00000139618/../../etc", "open/Ensembl;\nENSG 00000139618",
                             "open/Ensembl;\n1crn", "open/PDB;\nENSG00000139618", "open/PDB;\n1crn; rm -rf ~"}) {
        QString reason;
        ClipboardCommand c = ClipboardCommand::parse(text);
        EXPECT_FALSE(c.isSafe(&reason)) << text;
        EXPECT_TRUE(reason.contains("not a public")) << reason.toStdString();
        if (!c.getIdentifier().isEmpty()) {
            EXPECT_FALSE(reason.contains(c.getIdentifier())) << reason.toStdString();
        }
    }
    QString data(ClipboardCommand::MAX_SELECTION_CHARS, QChar('A'));
    EXPECT_TRUE(ClipboardCommand::parse("open/selection;\n" + data).isSafe());
    QString reason;
    EXPECT_FALSE(ClipboardCommand::parse("open/selection;\n" + data + "C").isSafe(&reason));
    EXPECT_TRUE(reason.contains("more than the limit")) << reason.toStdString();
}

}  // namespace Nx
