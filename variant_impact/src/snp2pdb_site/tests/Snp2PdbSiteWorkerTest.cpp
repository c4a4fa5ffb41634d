// The "snp2pdb-site" element: its table, the change text with its quotes and blanks, and its
// requests over a real reference database (a synonymous change still asks; no accession, no ask).
#include "../../rsnp_tools/tests/ScriptElementTestBed.h"

#include <snp2pdb_site/Snp2PdbSiteWorker.h>
#include <snp2pdb_site/Snp2PdbSiteWorkerFactory.h>

#include <NxLang/model/ActorPrototype.h>
#include <NxLang/model/Prompter.h>
#include <NxLang/registry/WorkflowEnv.h>

#include <gtest/gtest.h>

using namespace Nx;
using namespace Nx::LocalWorkflow;
using namespace Nx::ScriptElementTestBed;

TEST(Snp2PdbSiteTest, TheChangeTextIsQuotedWithOneBlankAfterAAndSevenAfterThePosition) {
    EXPECT_EQ(Snp2PdbSiteWorker::changeText(57, "R", "W"), "\"A 57       R -> W\"");
    EXPECT_EQ(Snp2PdbSiteWorker::changeText(1, "M", "*"), "\"A 1       M -> *\"");
}

TEST(Snp2PdbSiteTest, EveryTranscriptWithAnAccessionAndACodonChangeIsAskedEqualLettersIncluded) {
    Element element;
    QString error;
    ASSERT_TRUE(element.setUp("snp2pdb-site", "PDB_SITE", &Snp2PdbSiteWorkerFactory::install, error))
        << error.toStdString();
    ActorPrototype* proto = WorkflowEnv::getProtoRegistry()->getProto("snp2pdb-site");
    EXPECT_EQ(proto->getDisplayName(), "Variant Impact on PDB Sites");
    EXPECT_EQ(proto->getDocumentation(), "Identification of the SNP influence on PDB sites.");
    ASSERT_EQ(proto->getAttributes().size(), 1);
    EXPECT_EQ(proto->getAttributes().first()->getId(), "db_path");

    // 107 A>G: H -> R at 3 in T1 and T3 (T2 has no accession); 120 A>G keeps alanine 7.
    QList<NxVariant> vars{snv(107, 'G'), snv(120, 'G'), snv(300, 'A')};
    ASSERT_EQ(element.run(vars), 4);
    const QMap<QString, QJsonArray> changed = element.answers(vars[0]);
    EXPECT_EQ(changed.keys(), (QStringList{"PDB_SITE:T1", "PDB_SITE:T3"}));
    // The quotes reach the script as part of the argument.
    EXPECT_EQ(changed.value("PDB_SITE:T1"), (QJsonArray{"-c", "A", "-m", "\"A 3       H -> R\"", "-p", "Q00001"}));
    EXPECT_EQ(changed.value("PDB_SITE:T3"), (QJsonArray{"-c", "A", "-m", "\"A 3       H -> R\"", "-p", "Q00003"}));
    const QMap<QString, QJsonArray> same = element.answers(vars[1]);
    EXPECT_EQ(same.keys(), (QStringList{"PDB_SITE:T1", "PDB_SITE:T3"}));
    EXPECT_EQ(same.value("PDB_SITE:T1"), (QJsonArray{"-c", "A", "-m", "\"A 7       A -> A\"", "-p", "Q00001"}));
    EXPECT_TRUE(element.answers(vars[2]).isEmpty());
}
