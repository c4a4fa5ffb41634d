// The sample workflow data/workflows/annotate_demo.json run from the console (resource_probe with
// the built plug-ins) on generated demo data, then checked through the host tables of the kept
// session database against the reference database: matched known mutations, one gene effect per
// overlapped transcript of every single-base variation, none for longer ones.
#include <tests/ConsoleRun.h>

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DamageEffectDbi.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/KnownMutationsDbi.h>
#include <NxCore/dbi/NxFeatureDbi.h>
#include <NxCore/dbi/NxSequenceDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/variation/KnownMutationsUtils.h>
#include <NxCore/variation/VariationPropertiesUtils.h>
#include <NxFormats/snp/SNPDatabaseUtils.h>

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace Nx;
using Nx::ConsoleRun::runTool;

namespace {

QList<DamageEffect> effectsOf(DamageEffectDbi* t, const NxDataId& id, NxOpStatus& os) {
    QList<DamageEffect> res;
    std::unique_ptr<NxDbiIterator<DamageEffect>> it(t->listEffects(id, os));
    while (it != nullptr && it->hasNext()) {
        res << it->next();
    }
    return res;
}

}  // namespace

TEST(AnnotateWorkflowEndToEndTest, DemoWorkflowStoresKnownAndGeneEffects) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d = dir.path();
    QString out;
    ASSERT_TRUE(ConsoleRun::makeDemoWithReference(d, "7", {}, out)) << out.toStdString();
    const QString session = d + "/session.s3db";
    ASSERT_TRUE(runTool("resource_probe",
                        {"--workflow=" + QString(NX_SOURCE_DIR) + "/data/workflows/annotate_demo.json", "--set",
                         "read.url-in=" + d + "/variants.vcf", "--set", "annotate.db_path=" + d + "/reference.s3db",
                         "--set", "report.db_path=" + d + "/reference.s3db", "--set",
                         "report.report_path=" + d + "/in_gene.tsv", "--set",
                         "report.regulatory_report_path=" + d + "/regulatory.tsv", "--session-db=" + session},
                        out))
        << out.toStdString();

    NxOpStatusImpl os;
    DbiConnection sessionCon(NxDbiRef(SQLITE_DBI_ID, session), false, os);
    ASSERT_FALSE(os.hasError()) << os.getError().toStdString();
    std::unique_ptr<SNPDatabase> reference(SNPDatabaseUtils::openDatabase(d + "/reference.s3db"));
    ASSERT_NE(reference, nullptr);
    NxDbi* ref = reference->getDbi();
    NxVariantDbi* variantDbi = sessionCon.dbi->getVariantDbi();
    DamageEffectDbi* effectDbi = sessionCon.dbi->getDamageEffectDbi();

    int knownMatches = 0, codingSnvs = 0, multiBase = 0, aaChanges = 0;
    QList<NxDataId> trackIds = variantDbi->getVariantTracks(os);
    ASSERT_FALSE(trackIds.isEmpty());
    for (const NxDataId& trackId : trackIds) {
        NxVariantTrack track = variantDbi->getVariantTrack(trackId, os);
        NxDataId seqId = SNPDatabaseUtils::getSequenceId(track.sequenceName, ref->getObjectDbi());
        ASSERT_FALSE(seqId.isEmpty()) << track.sequenceName.toStdString();
        KnownMutationsTrack kmTrack = ref->getKnownMutationsDbi()->getTrackByChromosome(
            KnownMutationsUtils::getNumberByChrName(track.sequenceName), os);
        std::unique_ptr<NxDbiIterator<NxVariant>> it(variantDbi->getVariantsInRegion(trackId, NxRegion(0, 1LL << 40), os));
        while (it->hasNext()) {
            NxVariant v = it->next();
            QList<DamageEffect> effects = effectsOf(effectDbi, v.id, os);
            ASSERT_FALSE(os.hasError()) << os.getError().toStdString();

            // Known mutation with the same position and alleles, looked up independently.
            KnownMutation match;
            if (kmTrack.hasValidId()) {
                std::unique_ptr<NxDbiIterator<KnownMutation>> km(ref->getKnownMutationsDbi()->getMutationsAt(kmTrack.id, v.startPos, os));
                while (km->hasNext()) {
                    KnownMutation m = km->next();
                    if (m.refAllele == v.refData && m.obsAllele == v.obsData) {
                        match = m;
                        break;
                    }
                }
            }
            QList<DamageEffect> known, gene;
            for (const DamageEffect& e : effects) {
                (e.isKnownEffect() ? known : gene) << e;
            }
            if (match.isMutation()) {
                ++knownMatches;
                ASSERT_EQ(known.size(), 1) << "position " << v.startPos;
                EXPECT_DOUBLE_EQ(known[0].avSift, match.avSift);
                EXPECT_DOUBLE_EQ(known[0].gerpScore, match.gerpScore);
                if (!match.knownId.isEmpty()) {
                    EXPECT_EQ(v.publicId, QString::fromLatin1(match.knownId));
                    EXPECT_TRUE(known[0].hasKnownId);
                }
            } else {
                EXPECT_TRUE(known.isEmpty()) << "position " << v.startPos;
            }

            if (!v.isSingleBase()) {
                ++multiBase;
                EXPECT_TRUE(gene.isEmpty()) << "multi-base variation at " << v.startPos;
                continue;
            }
            QList<Gene> genes = ref->getFeatureDbi()->getGenesInRegion(seqId, NxRegion(v.startPos, 1), os);
            ASSERT_EQ(gene.size(), genes.size()) << "position " << v.startPos;
            for (int i = 0; i < genes.size(); ++i) {
                EXPECT_EQ(gene[i].affectedGeneName, genes[i].getName());
                if (!VariationPropertiesUtils::isDamageProtein(v, genes[i])) {
                    EXPECT_FALSE(gene[i].aminoAcidChanged);
                    continue;
                }
                ++codingSnvs;
                EXPECT_TRUE(gene[i].damaging) << "coding variation at " << v.startPos;
                int aaPos = -1;
                NxOpStatusImpl aaOs;
                QPair<QByteArray, QByteArray> aa =
                    VariationPropertiesUtils::getAASubstitution(ref, genes[i], seqId, v, aaPos, aaOs);
                if (aaPos >= 0 && !aa.first.isEmpty()) {
                    EXPECT_EQ(gene[i].aminoAcidChanged, aa.first != aa.second)
                        << "position " << v.startPos << " " << aa.first.constData() << ">" << aa.second.constData();
                    aaChanges += aa.first != aa.second ? 1 : 0;
                }
            }
        }
    }
    // The demo data hits every case at least once.
    EXPECT_GT(knownMatches, 0);
    EXPECT_GT(codingSnvs, 0);
    EXPECT_GT(aaChanges, 0);
    EXPECT_GT(multiBase, 0);
}
