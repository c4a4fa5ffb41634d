#include "SNPReportWriter.h"

#include "FailedRequestsFile.h"
#include "SNPReportWriterFactory.h"
#include "SNPReportWriterTask.h"
#include "annotated_vcf/SharedVcfEntries.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/tasks/FailTask.h>
#include <NxLang/engine/WorkflowContext.h>
#include <NxLang/engine/WorkflowMonitor.h>

namespace Nx {
namespace LocalWorkflow {

SNPReportWriter::SNPReportWriter(Actor* a) : TrackCollectingWorker(a) {
}

SNPReportSettings SNPReportWriter::getSettings() const {
    SNPReportSettings settings;
    settings.regulatoryReportPath = getValue<QString>(SNPReportWriterFactory::REGULATORY_REPORT_PATH_ATTR_ID);
    settings.inGeneReportPath = getValue<QString>(SNPReportWriterFactory::IN_GENE_REPORT_PATH_ATTR_ID);
    settings.dbPath = getValue<QString>(SNPReportWriterFactory::DB_PATH_ATTR_ID);
    return settings;
}

Task* SNPReportWriter::createTask(const QList<NxVariantTrack>& tracks, const NxDbiRef& dbiRef) {
    const SNPReportSettings settings = getSettings();
    // Every element before this one is done: the run's failed requests are all known now.
    if (WorkflowMonitor* monitor = context != nullptr ? context->getMonitor() : nullptr) {
        const QString failuresPath = FailedRequestsFile::pathBeside(settings.inGeneReportPath);
        NxOpStatusImpl failuresOs;
        if (!FailedRequestsFile::write(failuresPath, monitor->getRequestFailures(), monitor->getFailedRequestCount(),
                                       monitor->getRequestCount(), failuresOs)) {
            // The annotated-VCF writer beside this element must not wait for a report that never runs.
            vcfEntries = SharedVcfEntries::forElement(getActor(), context, dbiRef);
            if (vcfEntries != nullptr) {
                vcfEntries->close();
            }
            return new FailTask(failuresOs.getError());
        }
        if (monitor->getFailedRequestCount() > 0) {
            monitor->addOutputFile(failuresPath, getActorId());
        }
    }
    auto* task = new SNPReportWriterTask(settings, tracks, dbiRef);
    vcfEntries = SharedVcfEntries::forElement(getActor(), context, dbiRef);
    task->setVcfEntries(vcfEntries);
    return task;
}

QStringList SNPReportWriter::outputFilesOf(Task* task) const {
    auto* report = qobject_cast<SNPReportWriterTask*>(task);
    return report != nullptr ? report->getReportFiles() : QStringList();
}

}  // namespace LocalWorkflow
}  // namespace Nx
