#include "RSnpToolsWorkerFactory.h"

#include "RSnpToolsPrompter.h"
#include "RSnpToolsWorker.h"

#include <element_pattern/SnpElementPattern.h>

#include <NxDesigner/delegates/ComboBoxDelegate.h>
#include <NxDesigner/delegates/URLDelegate.h>
#include <NxLang/datatype/BaseTypes.h>

#include <QCoreApplication>

namespace Nx {
namespace LocalWorkflow {

const QString RSnpToolsWorkerFactory::ACTOR_ID("rSnp-tools");
const QString RSnpToolsWorkerFactory::FIRST_SITE_STATE_ATTR("first_site_state");
const QString RSnpToolsWorkerFactory::SECOND_SITE_STATE_ATTR("second_site_state");
const QString RSnpToolsWorkerFactory::SNP_SIGNIFICANCE_ATTR("snp_significance");

namespace {
QString tr(const char* text) {
    return QCoreApplication::translate("RSnpToolsWorkerFactory", text);
}
}  // namespace

const QVariantMap& RSnpToolsWorkerFactory::siteStateMap() {
    static const QVariantMap states{{tr("Extended (1.5)"), 0},  {tr("Normal (1.0)"), 1},
                                    {tr("Weakened (0.5)"), 2},  {tr("Undetectable (0.0)"), 3},
                                    {tr("Unspecific (-0.5)"), 4}, {tr("No binding (-1.0)"), 6}};
    return states;
}

const QVariantMap& RSnpToolsWorkerFactory::significanceMap() {
    static const QVariantMap levels = [] {
        const QStringList texts{"0.33",   "0.25",    "0.1",    "0.05",   "0.025",    "0.01",
                                "0.005",  "0.0025",  "0.001",  "0.0005", "0.00025",  "0.0001",
                                "0.00005", "0.000025", "0.00001", "0.000005"};
        QVariantMap m;
        for (int code = 0; code < texts.size(); ++code) {
            m[texts[code]] = code;
        }
        return m;
    }();
    return levels;
}

Worker* RSnpToolsWorkerFactory::makeWorker(Actor* a) {
    return new RSnpToolsWorker(a);
}

void RSnpToolsWorkerFactory::install() {
    QList<PortDescriptor*> ports = SnpElementPattern::createPorts(true);
    auto number = [](const QString& id, const char* name, const char* doc, int defaultCode) {
        return new Attribute(Descriptor(id, tr(name), tr(doc)), BaseTypes::NUM_TYPE(), true, defaultCode);
    };
    QList<Attribute*> attributes{
        SnpElementPattern::createDbPathAttribute(),
        number(FIRST_SITE_STATE_ATTR, "First site state", "First sequence TFBS state.", 1),
        number(SECOND_SITE_STATE_ATTR, "Second site state", "Second sequence TFBS state.", 2),
        number(SNP_SIGNIFICANCE_ATTR, "SNP significance", "Significance value for the SNP.", 10)};
    QMap<QString, PropertyDelegate*> delegates;
    delegates[SnpElementPattern::DB_PATH_ATTR_ID] = SnpElementPattern::createDbPathDelegate();
    delegates[FIRST_SITE_STATE_ATTR] = new ComboBoxDelegate(siteStateMap());
    delegates[SECOND_SITE_STATE_ATTR] = new ComboBoxDelegate(siteStateMap());
    delegates[SNP_SIGNIFICANCE_ATTR] = new ComboBoxDelegate(significanceMap());
    Descriptor element(ACTOR_ID, tr("Detect Transcription Factors with rSNP-Tools"),
                       tr("Identification of transcription factor binding sites in the DNA which have been "
                          "modified by polymorphic mutation."));
    SnpElementPattern::registerElement(element, ports, attributes, delegates, new RSnpToolsPrompter(),
                                       new RSnpToolsWorkerFactory());
}

}  // namespace LocalWorkflow
}  // namespace Nx
