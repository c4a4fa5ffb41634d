#include "AnnotatedVcfWorkerFactory.h"

#include "AnnotatedVcfPrompter.h"
#include "AnnotatedVcfTask.h"
#include "AnnotatedVcfWorker.h"

#include <element_pattern/SnpElementPattern.h>

#include <NxDesigner/delegates/URLDelegate.h>
#include <NxLang/datatype/BaseTypes.h>
#include <NxLang/model/ActorPrototype.h>

#include <QCoreApplication>
#include <QFileInfo>

namespace Nx {
namespace LocalWorkflow {

const QString AnnotatedVcfWorkerFactory::ACTOR_ID("write-annotated-variations");
const QString AnnotatedVcfWorkerFactory::URL_OUT_ATTR_ID("url-out");
const QString AnnotatedVcfWorkerFactory::URL_IN_ATTR_ID("url-in");
const QString AnnotatedVcfWorkerFactory::DB_PATH_ATTR_ID(SnpElementPattern::DB_PATH_ATTR_ID);

Worker* AnnotatedVcfWorkerFactory::makeWorker(Actor* a) {
    return new AnnotatedVcfWorker(a);
}

namespace {

// What can be known before the run: the output's name gives a format, and an input file is
// named (here or upstream) and readable.
QStringList checkFiles(BaseWorker* worker) {
    auto tr = [](const char* text) { return QCoreApplication::translate("AnnotatedVcfWorkerFactory", text); };
    auto* w = dynamic_cast<AnnotatedVcfWorker*>(worker);
    if (w == nullptr) {
        return {};
    }
    QStringList problems;
    QString error;
    const AnnotatedVcfSettings settings = w->getSettings(error);
    if (!error.isEmpty()) {
        return {error};
    }
    if (AnnotatedVcfTask::formatOf(settings.outputPath) == AnnotatedVcfTask::Format::Unknown) {
        problems << tr("output file %1 must end in .vcf, .vcf.gz or .bcf").arg(settings.outputPath);
    }
    const QFileInfo in(settings.inputPath);
    if (!in.isFile() || !in.isReadable()) {
        problems << tr("the file to annotate %1 is not a readable file").arg(settings.inputPath);
    }
    return problems;
}

}  // namespace

void AnnotatedVcfWorkerFactory::install() {
    auto tr = [](const char* text) { return QCoreApplication::translate("AnnotatedVcfWorkerFactory", text); };
    // The last element of a workflow, like the report writer: no output port.
    QList<PortDescriptor*> ports = SnpElementPattern::createPorts(false);
    QList<Attribute*> attributes;
    attributes << new Attribute(Descriptor(URL_OUT_ATTR_ID, tr("Annotated file"),
                                           tr("VCF or BCF file to write: .vcf, .vcf.gz (bgzipped, tabix index) or "
                                              ".bcf (CSI index).")),
                                BaseTypes::STRING_TYPE(), true, QString());
    attributes << new Attribute(Descriptor(URL_IN_ATTR_ID, tr("Input file"),
                                           tr("The VCF or BCF file the variations were read from; empty: the file "
                                              "of the reading element upstream.")),
                                BaseTypes::STRING_TYPE(), false, QString());
    attributes << SnpElementPattern::createDbPathAttribute();

    QMap<QString, PropertyDelegate*> delegates;
    delegates[URL_OUT_ATTR_ID] = new URLDelegate("", "", false, false, true, nullptr, "", false);
    delegates[URL_IN_ATTR_ID] = new URLDelegate("", "", false, false, false, nullptr, "", false);
    delegates[DB_PATH_ATTR_ID] = SnpElementPattern::createDbPathDelegate();

    Descriptor element(ACTOR_ID, tr("Write Annotated Variations"),
                       tr("Writes the input VCF/BCF again with the annotations of the workflow added as INFO fields."));
    Workflow::ActorPrototype* proto = SnpElementPattern::registerElement(
        element, ports, attributes, delegates, new AnnotatedVcfPrompter(), new AnnotatedVcfWorkerFactory());
    if (proto != nullptr) {
        proto->addRunCheck(&checkFiles);
    }
}

}  // namespace LocalWorkflow
}  // namespace Nx
