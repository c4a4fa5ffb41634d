// The "rSnp-tools" element: its table (attributes, the two choice maps), and the requests its
// worker hands to the script over a real reference database: the window of up to 40 bases on
// each side, the allele put in, the attribute codes, and what happens without a database.
#include "ScriptElementTestBed.h"

#include <rsnp_tools/RSnpToolsWorker.h>
#include <rsnp_tools/RSnpToolsWorkerFactory.h>

#include <NxLang/base/BaseActorCategories.h>
#include <NxLang/model/ActorPrototype.h>
#include <NxLang/model/ConfigurationEditor.h>
#include <NxLang/model/Prompter.h>
#include <NxLang/registry/WorkflowEnv.h>

#include <gtest/gtest.h>

using namespace Nx;
using namespace Nx::LocalWorkflow;
using namespace Nx::ScriptElementTestBed;

namespace {

class RSnpToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QString error;
        ASSERT_TRUE(element.setUp("rSnp-tools", "PRESENT", &RSnpToolsWorkerFactory::install, error))
            << error.toStdString();
    }
    Element element;
};

QJsonArray expectedLine(int sign, int first, int second, const QByteArray& f, const QByteArray& s) {
    return QJsonArray{"--sign", QString::number(sign), "--snpdm1", QString::number(first), "--snpdm2",
                      QString::number(second), "-f", QString::fromLatin1(f), "-s", QString::fromLatin1(s)};
}

}  // namespace

TEST_F(RSnpToolsTest, TheElementTableHasThreeChoicesBesidesTheDatabase) {
    ActorPrototype* proto = WorkflowEnv::getProtoRegistry()->getProto("rSnp-tools");
    EXPECT_EQ(proto->getDisplayName(), "Detect Transcription Factors with rSNP-Tools");
    EXPECT_TRUE(WorkflowEnv::getProtoRegistry()->getProtos().value(BaseActorCategories::CATEGORY_SNP_ANNOTATION()).contains(proto));
    QStringList ids;
    for (Attribute* a : proto->getAttributes()) {
        ids << a->getId();
        EXPECT_TRUE(a->isRequiredAttribute()) << a->getId().toStdString();
    }
    EXPECT_EQ(ids, (QStringList{"db_path", "first_site_state", "second_site_state", "snp_significance"}));
    EXPECT_EQ(proto->getAttribute("first_site_state")->getDefaultPureValue().toInt(), 1);
    EXPECT_EQ(proto->getAttribute("second_site_state")->getDefaultPureValue().toInt(), 2);
    EXPECT_EQ(proto->getAttribute("snp_significance")->getDefaultPureValue().toInt(), 10);

    const QVariantMap states = proto->getEditor()->getDelegate("first_site_state")->getChoices();
    EXPECT_EQ(states, proto->getEditor()->getDelegate("second_site_state")->getChoices());
    EXPECT_EQ(states.size(), 6);
    EXPECT_EQ(states.value("No binding (-1.0)").toInt(), 6);
    EXPECT_EQ(states.value("Unspecific (-0.5)").toInt(), 4);
    EXPECT_EQ(states.value("Extended (1.5)").toInt(), 0);
    for (const QVariant& code : states) {
        EXPECT_NE(code.toInt(), 5);
    }
    const QVariantMap levels = proto->getEditor()->getDelegate("snp_significance")->getChoices();
    EXPECT_EQ(levels.size(), 16);
    EXPECT_EQ(levels.value("0.33").toInt(), 0);
    EXPECT_EQ(levels.value("0.00025").toInt(), 10);
    EXPECT_EQ(levels.value("0.000005").toInt(), 15);

    std::unique_ptr<ActorDocument> doc(proto->getPrompter()->createDescription(element.actor.get()));
    EXPECT_TRUE(doc->getHtml().startsWith("Uses variations from <u><font color='red'>unset</font></u> as input. "
                                          "Takes sequences from <u>"))
        << doc->getHtml().toStdString();
    EXPECT_TRUE(doc->getHtml().contains("reference.s3db")) << doc->getHtml().toStdString();
}

TEST_F(RSnpToolsTest, WindowsHoldFortyBasesEachSideFewerAtTheSequenceStart) {
    const QByteArray chr = chromosome();
    NxVariant longAllele = snv(200, 'T');
    longAllele.obsData = "TTT";
    QList<NxVariant> vars{snv(10, 'A'), snv(100, 'C'), longAllele, snv(0, 'G')};
    ASSERT_EQ(element.run(vars), 4);

    QByteArray near = chr.left(51);
    QByteArray nearAlt = near;
    nearAlt[10] = 'A';
    EXPECT_EQ(element.answers(vars[0]).value("PRESENT"), expectedLine(10, 1, 2, near, nearAlt));

    QByteArray mid = chr.mid(60, 81);
    QByteArray midAlt = mid;
    midAlt[40] = 'C';
    EXPECT_EQ(element.answers(vars[1]).value("PRESENT"), expectedLine(10, 1, 2, mid, midAlt));

    // A longer allele lengthens the second sequence.
    const QByteArray far = chr.mid(160, 81);
    const QByteArray farAlt = far.left(40) + "TTT" + far.mid(41);
    EXPECT_EQ(element.answers(vars[2]).value("PRESENT"), expectedLine(10, 1, 2, far, farAlt));

    const QByteArray first = chr.left(41);
    EXPECT_EQ(element.answers(vars[3]).value("PRESENT"), expectedLine(10, 1, 2, first, "G" + first.mid(1)));
    // The answer is stored under the result key alone: the request names no feature.
    EXPECT_EQ(element.box.attributes(vars[0].id).keys(), QStringList{"PRESENT"});
}

TEST_F(RSnpToolsTest, ChosenStatesAndLevelsAreSentAsTheirCodes) {
    element.actor->setParameter("first_site_state", 6);  // "No binding (-1.0)"
    element.actor->setParameter("second_site_state", 0);
    element.actor->setParameter("snp_significance", 15);
    QList<NxVariant> vars{snv(100, 'C')};
    ASSERT_EQ(element.run(vars), 1);
    const QJsonArray line = element.answers(vars[0]).value("PRESENT");
    ASSERT_EQ(line.size(), 10);
    EXPECT_EQ(line[0], "--sign");
    EXPECT_EQ(line[1], "15");
    EXPECT_EQ(line[3], "6");
    EXPECT_EQ(line[5], "0");
}

TEST_F(RSnpToolsTest, WithoutADatabaseOrASequenceNothingIsAskedAndTheTrackGoesOn) {
    // A variation past the end of the sequence and one on a sequence the reference lacks.
    QList<NxVariant> outside{snv(10, 'A')};
    outside[0].startPos = SEQUENCE_LENGTH + 100;
    outside[0].endPos = SEQUENCE_LENGTH + 101;
    EXPECT_EQ(element.run(outside), 0);
    QList<NxVariant> unknown{snv(10, 'A')};
    EXPECT_EQ(element.run(unknown, "chrZ"), 0);

    element.actor->setParameter("db_path", QString());
    QList<NxVariant> vars{snv(10, 'A'), snv(100, 'C')};
    EXPECT_EQ(element.run(vars), 0);
    EXPECT_EQ(element.box.attributeCount(), 0);
    EXPECT_EQ(element.downstream.hasMessages(), 3);
}
