// The "prot-stability-3d" element: its table, and its requests over a real reference database:
// every transcript with an accession whose codon the variation changes (no name filter, unlike
// the 1D element), chain "A", the 1-based position and the new letter.
#include "../../rsnp_tools/tests/ScriptElementTestBed.h"

#include <prot_stability_1d/ProtStability1DWorkerFactory.h>
#include <prot_stability_3d/ProtStability3DWorkerFactory.h>

#include <NxLang/model/ActorPrototype.h>
#include <NxLang/registry/WorkflowEnv.h>

#include <gtest/gtest.h>

using namespace Nx;
using namespace Nx::LocalWorkflow;
using namespace Nx::ScriptElementTestBed;

TEST(ProtStability3DTest, TranscriptsWithoutAnAccessionAreSkippedHereButNotByThe1DElement) {
    Element element;
    QString error;
    ASSERT_TRUE(element.setUp("prot-stability-3d", "STABILITY_3D", &ProtStability3DWorkerFactory::install, error))
        << error.toStdString();
    ActorPrototype* proto = WorkflowEnv::getProtoRegistry()->getProto("prot-stability-3d");
    EXPECT_EQ(proto->getDisplayName(), "ProtStability3D");
    EXPECT_EQ(proto->getDocumentation(),
              "Identification of the SNP influence onprotein tertiary structure thermodynamic stability.");
    ASSERT_EQ(proto->getAttributes().size(), 1);

    // 107 A>G changes H -> R in T1 (accession Q00001), T2 (none) and T3 "FR1" (Q00003).
    QList<NxVariant> vars{snv(107, 'G'), snv(120, 'G'), snv(150, 'A')};
    ASSERT_EQ(element.run(vars), 4);
    const QMap<QString, QJsonArray> a = element.answers(vars[0]);
    EXPECT_EQ(a.keys(), (QStringList{"STABILITY_3D:T1", "STABILITY_3D:T3"}));
    EXPECT_EQ(a.value("STABILITY_3D:T1"), (QJsonArray{"-c", "A", "-i", "Q00001", "-p", "3", "-t", "R"}));
    EXPECT_EQ(a.value("STABILITY_3D:T3"), (QJsonArray{"-c", "A", "-i", "Q00003", "-p", "3", "-t", "R"}));
    EXPECT_EQ(element.answers(vars[1]).value("STABILITY_3D:T1"),
              (QJsonArray{"-c", "A", "-i", "Q00001", "-p", "7", "-t", "A"}));
    EXPECT_TRUE(element.answers(vars[2]).isEmpty());

    // The 1D element asks for T2, the transcript without an accession.
    Element oneD;
    ASSERT_TRUE(oneD.setUp("prot-stability-1d", "STABILITY_1D", &ProtStability1DWorkerFactory::install, error))
        << error.toStdString();
    QList<NxVariant> same{snv(107, 'G')};
    ASSERT_EQ(oneD.run(same), 2);
    EXPECT_TRUE(oneD.answers(same[0]).contains("STABILITY_1D:T2"));

    element.actor->setParameter("db_path", QString());
    QList<NxVariant> noDatabase{snv(107, 'G')};
    EXPECT_EQ(element.run(noDatabase), 0);
    EXPECT_EQ(element.downstream.hasMessages(), 2);
}
