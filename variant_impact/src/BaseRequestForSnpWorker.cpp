#include "BaseRequestForSnpWorker.h"

#include "BaseSnpAnnotationTask.h"
#include "RequestForSnpTask.h"
#include "SnpRequestKeys.h"

#include <NxCore/core/AppContext.h>
#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/DbiOperationsBlock.h>
#include <NxCore/dbi/NxAttributeDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/dbi/VariantTrackObject.h>
#include <NxCore/log/Logger.h>
#include <NxCore/tasks/FailTask.h>
#include <NxCore/tasks/SequentialMultiTask.h>
#include <NxFormats/snp/SNPDatabaseUtils.h>
#include <NxLang/base/BasePorts.h>
#include <NxLang/base/BaseSlots.h>
#include <NxLang/engine/WorkflowContext.h>
#include <NxLang/storage/DbiDataStorage.h>
#include <NxLang/storage/StorageUtils.h>

#include <QFileInfo>

#include <element_pattern/SnpElementPattern.h>

#include <limits>
#include <memory>

namespace Nx {
namespace LocalWorkflow {

namespace {
const QString DB_PATH_ATTR(SnpElementPattern::DB_PATH_ATTR_ID);
}

BaseRequestForSnpWorker::BaseRequestForSnpWorker(Actor* a) : BaseWorker(a, true) {
}

void BaseRequestForSnpWorker::start() {
    input = ports.value(BasePorts::IN_VARIATION_TRACK_PORT_ID());
    output = ports.value(BasePorts::OUT_VARIATION_TRACK_PORT_ID());
}

QString BaseRequestForSnpWorker::getScriptPath() const {
    return QFileInfo(AppContext::getWorkingDirectoryPath() + "/../../data/snp_scripts/" + getScriptName()).absoluteFilePath();
}

QList<QVariantMap> BaseRequestForSnpWorker::prepareRequests(const NxVariant&, const NxVariantTrack&, NxDbi*) {
    NX_RECOVER_MSG(QString("Not impelemented"));
    return {};
}

QString BaseRequestForSnpWorker::getScriptName() const {
    NX_RECOVER_MSG(QString("Not implemented"));
    return QString();
}

void BaseRequestForSnpWorker::sendEmptyMessage() {
    if (output != nullptr) {
        output->put(Workflow::Message::getEmptyMapMessage());
    }
}

void BaseRequestForSnpWorker::finishIfInputDrained() {
    if (input == nullptr || !input->isEnded() || input->hasMessage()) {
        return;
    }
    setDone();
    if (output != nullptr) {
        output->setEnded();
    }
}

Task* BaseRequestForSnpWorker::step() {
    if (input == nullptr || !input->hasMessage()) {
        finishIfInputDrained();
        return nullptr;
    }
    NxOpStatus2Log os;
    const QVariantMap data = getMessageAndSetupScriptValues(input).getData().toMap();
    const QString slotId = BaseSlots::VARIATION_TRACK_SLOT().getId();
    if (!data.contains(slotId)) {
        os.setError(tr("Variations slot is empty"));
        return new FailTask(os.getError());
    }
    const SharedDbiDataHandler handler = data.value(slotId).value<SharedDbiDataHandler>();
    std::unique_ptr<VariantTrackObject> trackObject(
        StorageUtils::getVariantTrackObject(context == nullptr ? nullptr : context->getDataStorage(), handler));
    if (trackObject == nullptr) {
        NX_RECOVER_MSG(QString("Can't get track object"));
        return nullptr;
    }
    const NxVariantTrack track = trackObject->getVariantTrack(os);
    if (os.hasError()) {
        return new FailTask(os.getError());
    }

    NxOpStatusImpl connectionOs;
    DbiConnection connection(trackObject->getDbiRef(), false, connectionOs);
    if (connectionOs.hasError()) {
        return nullptr;
    }
    if (connection.dbi == nullptr) {
        sendEmptyMessage();
        return nullptr;
    }
    NxVariantDbi* variantDbi = connection.dbi->getVariantDbi();
    if (variantDbi == nullptr) {
        sendEmptyMessage();
        return nullptr;
    }
    const QString dbPath = getValue<QString>(DB_PATH_ATTR);
    std::unique_ptr<SNPDatabase> snpDatabase;
    if (!dbPath.isEmpty()) {
        snpDatabase.reset(SNPDatabaseUtils::openDatabase(dbPath));
        if (snpDatabase == nullptr || snpDatabase->getDbi() == nullptr) {
            sendEmptyMessage();
            return nullptr;
        }
    }
    NxDbi* snpDbi = snpDatabase != nullptr ? snpDatabase->getDbi() : nullptr;

    NxOpStatusImpl listOs;
    std::unique_ptr<NxDbiIterator<NxVariant>> it(
        variantDbi->getVariantsInRegion(track.id, NxRegion(0, std::numeric_limits<qint64>::max()), listOs));
    if (it == nullptr || listOs.hasError()) {
        return nullptr;
    }
    QList<Task*> tasks;
    while (it->hasNext()) {
        tasks << createRequestTasks(it->next(), track, snpDbi);
    }
    if (tasks.isEmpty()) {
        sendEmptyMessage();
        return nullptr;
    }
    auto* group = new SequentialMultiTask(tr("Requesting data for SNPs"), tasks, TaskFlags(0xC02));
    connect(group, &Task::si_stateChanged, this, &BaseRequestForSnpWorker::sl_trackTaskFinished);
    return group;
}

QList<Task*> BaseRequestForSnpWorker::createRequestTasks(const NxVariant& variation, const NxVariantTrack& track,
                                                         NxDbi* snpDatabase) {
    QList<Task*> tasks;
    const QString scriptPath = getScriptPath();
    for (const QVariantMap& request : prepareRequests(variation, track, snpDatabase)) {
        auto* task = new RequestForSnpTask(scriptPath, request, variation);
        connect(task, &Task::si_stateChanged, this, &BaseRequestForSnpWorker::sl_taskFinished);
        tasks << task;
    }
    return tasks;
}

void BaseRequestForSnpWorker::sl_taskFinished() {
    auto* task = qobject_cast<BaseSnpAnnotationTask*>(sender());
    NX_SAFE_POINT(task != nullptr, QString("Invalid task is encountered"), );
    if (!task->isFinished() || task->isCanceled() || task->hasError()) {
        return;
    }
    pendingResults[task->getVariation().id].append({task->getVariation(), task->getFeatureId(), task->getResults()});
    if (pendingResults.size() >= FLUSH_THRESHOLD) {
        flushResults();
    }
}

void BaseRequestForSnpWorker::sl_trackTaskFinished() {
    auto* group = qobject_cast<SequentialMultiTask*>(sender());
    NX_SAFE_POINT(group != nullptr, QString("Invalid task is encountered"), );
    if (!group->isFinished() || group->hasError()) {
        return;
    }
    flushResults();
    sendEmptyMessage();
    finishIfInputDrained();
}

void BaseRequestForSnpWorker::flushResults() {
    if (context == nullptr || context->getDataStorage() == nullptr) {
        return;
    }
    const NxDbiRef ref = context->getDataStorage()->getDbiRef();
    NxOpStatusImpl os;
    DbiConnection connection(ref, false, os);
    if (os.hasError() || connection.dbi == nullptr) {
        return;
    }
    {
        // One short transaction per batch: a whole batch is one commit, and no lock is held
        // between batches, so other elements' writers never wait long behind this one.
        NxOpStatus2Log blockOs;
        DbiOperationsBlock block(ref, blockOs);
        for (auto it = pendingResults.constBegin(); it != pendingResults.constEnd(); ++it) {
            for (const VariationResult& r : it.value()) {
                storeResults(r.variation, r.featureId, r.results, connection.dbi);
            }
        }
    }
    pendingResults.clear();
    connection.close(os);
}

void BaseRequestForSnpWorker::storeResults(const NxVariant& variation, const QByteArray& featureId,
                                           const QVariantMap& results, NxDbi* database) {
    NX_SAFE_POINT(database != nullptr, QString("no session dbi"), );
    NxAttributeDbi* attributeDbi = database->getAttributeDbi();
    NX_SAFE_POINT(attributeDbi != nullptr, QString("no Attribute Dbi"), );
    if (results.isEmpty()) {
        return;
    }
    for (const QString& key : getResultKeys()) {
        const QString value = results.value(key).toString();
        if (value.isEmpty()) {
            break;
        }
        NxStringAttribute attribute;
        attribute.objectId = variation.id;
        attribute.name = featureId.isEmpty() ? key : key + SnpRequestKeys::SEPARATOR + QString::fromUtf8(featureId);
        attribute.value = value;
        NxOpStatus2Log os;
        attributeDbi->createStringAttribute(attribute, os);
        if (os.hasError()) {
            break;
        }
    }
}

void BaseRequestForSnpWorker::finish() {
    pendingResults.clear();
}

}  // namespace LocalWorkflow
}  // namespace Nx
