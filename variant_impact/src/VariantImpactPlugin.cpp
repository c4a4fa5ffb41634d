#include "VariantImpactPlugin.h"

#include "GTest_FindInSNPResultTable.h"
#include "SNPReportWriterFactory.h"
#include "annotated_vcf/AnnotatedVcfWorkerFactory.h"
#include "annotated_vcf/GTest_FindInAnnotatedVcf.h"
#include "prot_stability_1d/ProtStability1DWorkerFactory.h"
#include "prot_stability_3d/ProtStability3DWorkerFactory.h"
#include "rsnp_tools/RSnpToolsWorkerFactory.h"
#include "snp2pdb_site/Snp2PdbSiteWorkerFactory.h"
#include "snp_chip_tools/SnpChipToolsWorkerFactory.h"
#include "snp_toolbox/VOZAdarovaWorkerFactory.h"
#include "tata_box_analysis/AnalyzeTataBoxesWorkerFactory.h"

#include <element_pattern/SnpElementPattern.h>

#include <NxCore/core/AppContext.h>
#include <NxCore/datapath/NxDataPathRegistry.h>

#include <NxTest/GAutoDeleteList.h>
#include <NxTest/GTestFormat.h>
#include <NxTest/GTestFramework.h>
#include <NxTest/XMLTestFormat.h>

#include <new>

namespace Nx {

const QString DB_PATH_ID(LocalWorkflow::SnpElementPattern::DB_PATH_ATTR_ID);
const QString DEFAULT_DB_FILE = "snp_scripts/human_hg19_db.s3db";

VariantImpactPlugin::VariantImpactPlugin()
    : Plugin(tr("Variant Impact Plugin"), tr("Evaluates effect of human genome variations and finds relations with diseases")) {
    // 1. The reference database location; a refused registration changes nothing.
    if (NxDataPathRegistry* dpr = AppContext::getDataPathRegistry()) {
        NxDataPath* dp = new NxDataPath(DB_PATH_ID, QString("data") + ":" + DEFAULT_DB_FILE, "", false, false);
        dpr->registerEntry(dp);
    }

    // 2. The workflow elements, in this order.
    LocalWorkflow::VOZAdarovaWorkerFactory::install();
    LocalWorkflow::SNPReportWriterFactory::install();
    LocalWorkflow::ProtStability1DWorkerFactory::install();
    LocalWorkflow::ProtStability3DWorkerFactory::install();
    LocalWorkflow::Snp2PdbSiteWorkerFactory::install();
    LocalWorkflow::SnpChipToolsWorkerFactory::install();
    LocalWorkflow::RSnpToolsWorkerFactory::install();
    LocalWorkflow::AnalyzeTataBoxesWorkerFactory::install();
    LocalWorkflow::AnnotatedVcfWorkerFactory::install();

    // 3. The XML test factories, owned by a list that is this object's child. Without the
    //    suite's XML test format there is nothing to register them with.
    GTestFramework* tf = AppContext::getTestFramework();
    GTestFormat* format = tf ? tf->getTestFormatRegistry()->findFormat(XMLTestFormat::ID) : nullptr;
    auto* xmlFormat = qobject_cast<XMLTestFormat*>(format);
    if (xmlFormat == nullptr) {
        return;
    }
    auto* testFactories = new GAutoDeleteList<XMLTestFactory>(this);
    testFactories->qlist = GTest_FindInSNPResultTable::createTestFactories();
    testFactories->qlist << new GTest_FindInAnnotatedVcf::Factory();
    for (XMLTestFactory* f : qAsConst(testFactories->qlist)) {
        xmlFormat->registerTestFactory(f);
    }
}

}  // namespace Nx

Nx::Plugin* nolix_plugin_init() {
    return new (std::nothrow) Nx::VariantImpactPlugin();
}
