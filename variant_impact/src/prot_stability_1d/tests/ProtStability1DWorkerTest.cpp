// The "prot-stability-1d" element: its table, and the requests its worker hands to the script
// over a real reference database: one per transcript whose codon the variation changes (genes
// named "FR..." left out), the protein as a FASTA record, the 1-based position, the new letter.
#include "../../rsnp_tools/tests/ScriptElementTestBed.h"

#include <prot_stability_1d/ProtStability1DWorkerFactory.h>

#include <NxLang/model/ActorPrototype.h>
#include <NxLang/model/Prompter.h>
#include <NxLang/registry/WorkflowEnv.h>

#include <gtest/gtest.h>

using namespace Nx;
using namespace Nx::LocalWorkflow;
using namespace Nx::ScriptElementTestBed;

namespace {

class ProtStability1DTest : public ::testing::Test {
protected:
    void SetUp() override {
        QString error;
        ASSERT_TRUE(element.setUp("prot-stability-1d", "STABILITY_1D", &ProtStability1DWorkerFactory::install, error))
            << error.toStdString();
    }
    Element element;
};

}  // namespace

TEST_F(ProtStability1DTest, TheElementHasOnlyTheDatabaseAttribute) {
    ActorPrototype* proto = WorkflowEnv::getProtoRegistry()->getProto("prot-stability-1d");
    EXPECT_EQ(proto->getDisplayName(), "ProtStability1D");
    EXPECT_EQ(proto->getDocumentation(),
              "Identification of the SNP influence onprotein primary structure thermodynamic stability.");
    ASSERT_EQ(proto->getAttributes().size(), 1);
    EXPECT_EQ(proto->getAttributes().first()->getId(), "db_path");
    ASSERT_EQ(proto->getPortDescriptors().size(), 2);
    element.actor->setParameter("db_path", QString());
    std::unique_ptr<ActorDocument> doc(proto->getPrompter()->createDescription(element.actor.get()));
    const QString unset = "<font color='red'>unset</font>";
    EXPECT_EQ(doc->getHtml(),
              "Uses variations from <u>" + unset + "</u> as input. Takes sequences from <u>" + unset + "</u> database.");
}

TEST_F(ProtStability1DTest, OverlappingTranscriptsGiveOneRequestAndOneAttributeEach) {
    // 107 A>G: codon CAC -> CGC (H -> R), amino acid 3 of T1 and 2 of T2; T3 ("FR1") is filtered.
    NxVariant unsetEnd = snv(107, 'G');
    unsetEnd.endPos = 0;
    QList<NxVariant> vars{snv(107, 'G'), unsetEnd};
    ASSERT_EQ(element.run(vars), 4);
    for (const NxVariant& v : vars) {
        const QMap<QString, QJsonArray> a = element.answers(v);
        EXPECT_EQ(a.keys(), (QStringList{"STABILITY_1D:T1", "STABILITY_1D:T2"}));
        EXPECT_EQ(a.value("STABILITY_1D:T1"), (QJsonArray{"-p", "3", "-s", ">seq\nMKHWELARG", "-t", "R"}));
        EXPECT_EQ(a.value("STABILITY_1D:T2"), (QJsonArray{"-p", "2", "-s", ">seq\nKHWELARG", "-t", "R"}));
    }
}

TEST_F(ProtStability1DTest, OnlyCodonChangesAreAskedSynonymousOnesIncluded) {
    // 120 A>G: GCA -> GCG keeps alanine 7 of T1; 150 lies in the 3' UTR, 300 in no gene.
    QList<NxVariant> vars{snv(120, 'G'), snv(150, 'A'), snv(300, 'A')};
    ASSERT_EQ(element.run(vars), 2);
    EXPECT_EQ(element.answers(vars[0]).value("STABILITY_1D:T1"),
              (QJsonArray{"-p", "7", "-s", ">seq\nMKHWELARG", "-t", "A"}));
    EXPECT_EQ(element.box.attributes(vars[1].id).size(), 0);
    EXPECT_EQ(element.box.attributes(vars[2].id).size(), 0);

    // The same change on a chromosome the reference does not hold asks nothing.
    QList<NxVariant> elsewhere{snv(107, 'G')};
    EXPECT_EQ(element.run(elsewhere, "chrZ"), 0);
    EXPECT_EQ(element.downstream.hasMessages(), 2);
}
