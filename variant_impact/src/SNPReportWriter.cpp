#include "SNPReportWriter.h"

#include "FailedRequestsFile.h"

#include "SNPReportWriterFactory.h"
#include "SNPReportWriterTask.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/VariantTrackObject.h>
#include <NxCore/log/Logger.h>
#include <NxCore/tasks/FailTask.h>
#include <NxLang/base/BasePorts.h>
#include <NxLang/base/BaseSlots.h>
#include <NxLang/engine/WorkflowContext.h>
#include <NxLang/engine/WorkflowMonitor.h>
#include <NxLang/storage/StorageUtils.h>

#include <memory>

namespace Nx {
namespace LocalWorkflow {

SNPReportWriter::SNPReportWriter(Actor* a) : BaseWorker(a, true) {
}

void SNPReportWriter::start() {
    input = ports.value(BasePorts::IN_VARIATION_TRACK_PORT_ID());
}

SNPReportSettings SNPReportWriter::getSettings() const {
    SNPReportSettings settings;
    settings.regulatoryReportPath = getValue<QString>(SNPReportWriterFactory::REGULATORY_REPORT_PATH_ATTR_ID);
    settings.inGeneReportPath = getValue<QString>(SNPReportWriterFactory::IN_GENE_REPORT_PATH_ATTR_ID);
    settings.dbPath = getValue<QString>(SNPReportWriterFactory::DB_PATH_ATTR_ID);
    return settings;
}

Task* SNPReportWriter::step() {
    NxOpStatus2Log os(LogLevel_ERROR);
    if (input == nullptr) {
        os.setError(tr("The element '%1' has no input of variations").arg(getActorId()));
        return new FailTask(os.getError());
    }
    // The engine may call again while the report task runs or after it failed: one task per input.
    if (taskStarted) {
        return nullptr;
    }
    const SNPReportSettings settings = getSettings();
    while (input->hasMessage()) {
        Message message = getMessageAndSetupScriptValues(input);
        QVariantMap data = message.getData().toMap();
        const QString slotId = BaseSlots::VARIATION_TRACK_SLOT().getId();
        if (!data.contains(slotId)) {
            os.setError(tr("Variations slot is empty"));
            return new FailTask(os.getError());
        }
        SharedDbiDataHandler handler = data.value(slotId).value<SharedDbiDataHandler>();
        std::unique_ptr<VariantTrackObject> trackObject(
            StorageUtils::getVariantTrackObject(context == nullptr ? nullptr : context->getDataStorage(), handler));
        NX_SAFE_POINT(trackObject != nullptr, tr("Can't get track object"), nullptr);
        NxVariantTrack track = trackObject->getVariantTrack(os);
        if (os.hasError()) {
            return new FailTask(os.getError());
        }
        tracks << track;
        if (!dbiRef.isValid()) {
            dbiRef = trackObject->getDbiRef();
        } else if (trackObject->getDbiRef() != dbiRef) {
            NX_RECOVER_MSG(tr("Tracks are stored in different databases"));
            return nullptr;
        }
    }
    if (!input->isEnded()) {
        return nullptr;
    }
    taskStarted = true;
    // Every element before this one is done: the run's failed requests are all known now.
    if (WorkflowMonitor* monitor = context != nullptr ? context->getMonitor() : nullptr) {
        const QString failuresPath = FailedRequestsFile::pathBeside(settings.inGeneReportPath);
        NxOpStatusImpl failuresOs;
        if (!FailedRequestsFile::write(failuresPath, monitor->getRequestFailures(), monitor->getFailedRequestCount(),
                                       monitor->getRequestCount(), failuresOs)) {
            return new FailTask(failuresOs.getError());
        }
        if (monitor->getFailedRequestCount() > 0) {
            monitor->addOutputFile(failuresPath, getActorId());
        }
    }
    auto* task = new SNPReportWriterTask(settings, tracks, dbiRef);
    connect(task, &Task::si_stateChanged, this, &SNPReportWriter::sl_taskFinished);
    return task;
}

void SNPReportWriter::sl_taskFinished() {
    auto* task = qobject_cast<SNPReportWriterTask*>(sender());
    NX_SAFE_POINT(task != nullptr, tr("Invalid task is encountered"), );
    if (task->isCanceled() || !task->isFinished() || task->hasError()) {
        return;
    }
    if (input != nullptr && input->isEnded() && !input->hasMessage()) {
        setDone();
    }
    WorkflowMonitor* monitor = context != nullptr ? context->getMonitor() : nullptr;
    if (monitor == nullptr) {
        return;
    }
    for (const QString& path : task->getReportFiles()) {
        monitor->addOutputFile(path, getActorId());
    }
}

void SNPReportWriter::finish() {
    tracks.clear();
    dbiRef = NxDbiRef();
}

}  // namespace LocalWorkflow
}  // namespace Nx
