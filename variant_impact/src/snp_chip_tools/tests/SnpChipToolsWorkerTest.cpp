// The "snp-chip-tools" element: no attributes and no editor, a one-sentence description, and one
// request for exactly the variations whose public identifier begins with a lower-case "rs",
// without any database.
#include "../../rsnp_tools/tests/ScriptElementTestBed.h"

#include <snp_chip_tools/SnpChipToolsWorkerFactory.h>

#include <NxLang/model/ActorPrototype.h>
#include <NxLang/model/Prompter.h>
#include <NxLang/registry/WorkflowEnv.h>

#include <gtest/gtest.h>

using namespace Nx;
using namespace Nx::LocalWorkflow;
using namespace Nx::ScriptElementTestBed;

TEST(SnpChipToolsTest, OnlyLowerCaseRsIdentifiersAreAskedWithoutAnyDatabase) {
    Element element;
    QString error;
    ASSERT_TRUE(element.setUp("snp-chip-tools", "SNP_CHIP", &SnpChipToolsWorkerFactory::install, error))
        << error.toStdString();
    ActorPrototype* proto = WorkflowEnv::getProtoRegistry()->getProto("snp-chip-tools");
    EXPECT_EQ(proto->getDisplayName(), "SNP ChIP Tools");
    EXPECT_EQ(proto->getDocumentation(), "Assess the SNP impact on regulatory regions.");
    EXPECT_TRUE(proto->getAttributes().isEmpty());
    EXPECT_EQ(proto->getEditor(), nullptr);
    ASSERT_EQ(proto->getPortDescriptors().size(), 2);
    std::unique_ptr<ActorDocument> doc(proto->getPrompter()->createDescription(element.actor.get()));
    EXPECT_EQ(doc->getHtml(), "Uses variations from <u><font color='red'>unset</font></u> as input.");

    QList<NxVariant> vars{snv(10, 'A', "rs12345"), snv(11, 'A', "RS12345"), snv(12, 'A', "Rs12345"),
                          snv(13, 'A', ""),        snv(14, 'A', "x rs1"),   snv(15, 'A', "rs")};
    // Reads no sequence: a chromosome name the workflow knows nothing about is no obstacle.
    ASSERT_EQ(element.run(vars, "chrUnknown"), 2);
    EXPECT_EQ(element.answers(vars[0]), (QMap<QString, QJsonArray>{{"SNP_CHIP", QJsonArray{"--ug", "true", "-i", "rs12345"}}}));
    EXPECT_EQ(element.answers(vars[5]), (QMap<QString, QJsonArray>{{"SNP_CHIP", QJsonArray{"--ug", "true", "-i", "rs"}}}));
    for (int i = 1; i < 5; ++i) {
        EXPECT_TRUE(element.box.attributes(vars[i].id).isEmpty()) << i;
    }
    EXPECT_EQ(element.downstream.hasMessages(), 1);
}
