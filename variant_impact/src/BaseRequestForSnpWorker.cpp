#include "BaseRequestForSnpWorker.h"

#include "BaseSnpAnnotationTask.h"
#include "RequestForSnpTask.h"
#include "SnpRequestKeys.h"

#include <NxCore/core/AppContext.h>
#include <NxCore/core/NxOpStatus.h>
#include <NxCore/datapath/NxDataPathRegistry.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/DbiOperationsBlock.h>
#include <NxCore/dbi/NxAttributeDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/dbi/VariantTrackObject.h>
#include <NxCore/log/Logger.h>
#include <NxCore/tasks/FailTask.h>
#include <NxFormats/snp/SNPDatabaseUtils.h>
#include <NxLang/base/BasePorts.h>
#include <NxLang/base/BaseSlots.h>
#include <NxLang/engine/WorkflowContext.h>
#include <NxLang/engine/WorkflowMonitor.h>
#include <NxLang/storage/DbiDataStorage.h>
#include <NxLang/storage/StorageUtils.h>

#include <QElapsedTimer>
#include <QFileInfo>

#include <element_pattern/SnpElementPattern.h>
#include <element_pattern/VariationTrackMessage.h>

#include <limits>

namespace Nx {
namespace LocalWorkflow {

namespace {
const QString DB_PATH_ATTR(SnpElementPattern::DB_PATH_ATTR_ID);
}

// The track being walked: its connection and listing stay open between the steps of its
// windows (the listing reads a page at a time and holds no snapshot in between).
struct BaseRequestForSnpWorker::TrackCursor {
    NxVariantTrack track;
    DbiConnection connection;                        // the workflow database
    std::unique_ptr<SNPDatabase> snpDatabase;        // null when "db_path" is empty
    NxOpStatusImpl listOs;                           // the listing's status; outlives it
    std::unique_ptr<NxDbiIterator<NxVariant>> variations;
    qint64 variationCount = 0;                       // of the track
    qint64 variationsDone = 0;                       // handed to createRequestTasks so far
    qint64 requests = 0;
    qint64 failed = 0;
    int shownTenth = 0;                              // progress already logged
    QString scriptPath;                              // getScriptPath() for this track
    QElapsedTimer timer;

    NxDbi* snpDbi() const { return snpDatabase != nullptr ? snpDatabase->getDbi() : nullptr; }
};

BaseRequestForSnpWorker::BaseRequestForSnpWorker(Actor* a) : BaseWorker(a, true), settings(RequestRunSettings::current()) {
}

BaseRequestForSnpWorker::~BaseRequestForSnpWorker() = default;

void BaseRequestForSnpWorker::start() {
    input = ports.value(BasePorts::IN_VARIATION_TRACK_PORT_ID());
    output = ports.value(BasePorts::OUT_VARIATION_TRACK_PORT_ID());
}

bool BaseRequestForSnpWorker::isReady() const {
    // A track in the middle of its windows, or an error to report, needs steps of its own.
    return !isDone() && (cursor != nullptr || !pendingFailure.isEmpty() || BaseWorker::isReady());
}

QString BaseRequestForSnpWorker::getScriptPath() const {
    return QFileInfo(NxDataPathRegistry::dataFolder() + "/snp_scripts/" + getScriptName()).absoluteFilePath();
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
    if (cursor != nullptr || input == nullptr || !input->isEnded() || input->hasMessage()) {
        return;
    }
    setDone();
    if (output != nullptr) {
        output->setEnded();
    }
}

Task* BaseRequestForSnpWorker::step() {
    if (!pendingFailure.isEmpty()) {
        const QString error = pendingFailure;
        pendingFailure.clear();
        cursor.reset();
        return new FailTask(error);
    }
    if (cursor != nullptr) {
        return nextWindow();
    }
    if (input == nullptr || !input->hasMessage()) {
        finishIfInputDrained();
        return nullptr;
    }
    return openTrack();
}

Task* BaseRequestForSnpWorker::openTrack() {
    NxOpStatus2Log os;
    QString error;
    std::unique_ptr<VariantTrackObject> trackObject = takeVariationTrack(*this, input, error);
    if (!error.isEmpty()) {
        os.setError(error);
        return new FailTask(os.getError());
    }
    if (trackObject == nullptr) {
        // Dropping the track here would lose it for every later element and the reports.
        NX_RECOVER_MSG(QString("Can't get track object"));
        return new FailTask(tr("The message holds no variation track that the workflow database knows"));
    }
    std::unique_ptr<TrackCursor> c(new TrackCursor);
    c->track = trackObject->getVariantTrack(os);
    if (os.hasError()) {
        return new FailTask(os.getError());
    }
    const QString sessionPath = trackObject->getDbiRef().dbiId;
    NxOpStatusImpl connectionOs;
    c->connection.open(trackObject->getDbiRef(), false, connectionOs);
    if (connectionOs.hasError() || c->connection.dbi == nullptr) {
        return new FailTask(tr("Cannot open the workflow database %1 to read track %2: %3")
                                .arg(sessionPath, c->track.sequenceName,
                                     connectionOs.hasError() ? connectionOs.getError() : tr("no connection")));
    }
    NxVariantDbi* variantDbi = c->connection.dbi->getVariantDbi();
    if (variantDbi == nullptr) {
        return new FailTask(tr("The workflow database %1 has no variation table").arg(sessionPath));
    }
    const QString dbPath = getValue<QString>(DB_PATH_ATTR);
    if (!dbPath.isEmpty()) {
        c->snpDatabase.reset(SNPDatabaseUtils::openDatabase(dbPath));
        if (c->snpDatabase == nullptr || c->snpDatabase->getDbi() == nullptr) {
            return new FailTask(tr("Cannot open the reference database %1 (\"db_path\"); the log above says why").arg(dbPath));
        }
    }
    NxOpStatusImpl countOs;
    c->variationCount = variantDbi->countVariants(c->track.id, countOs);
    c->variations.reset(
        variantDbi->getVariantsInRegion(c->track.id, NxRegion(0, std::numeric_limits<qint64>::max()), c->listOs));
    if (c->variations == nullptr || c->listOs.hasError() || countOs.hasError()) {
        return new FailTask(tr("Cannot list the variations of track %1 in %2: %3")
                                .arg(c->track.sequenceName, sessionPath,
                                     c->listOs.hasError() ? c->listOs.getError() : countOs.getError()));
    }
    c->scriptPath = getScriptPath();
    c->timer.start();
    cursor = std::move(c);
    return nextWindow();
}

Task* BaseRequestForSnpWorker::nextWindow() {
    TrackCursor& c = *cursor;
    QList<Task*> tasks;
    int examined = 0;
    while (tasks.size() < WINDOW_REQUESTS && examined < WINDOW_VARIATIONS && c.variations->hasNext()) {
        tasks << createRequestTasks(c.variations->next(), c.track, c.snpDbi());
        c.variationsDone++;
        examined++;
    }
    if (c.listOs.hasError()) {
        // A listing cut short must not look like the end of the track.
        qDeleteAll(tasks);
        const QString error = tr("Reading the variations of track %1 failed after %2 of them: %3")
                                  .arg(c.track.sequenceName).arg(c.variationsDone).arg(c.listOs.getError());
        cursor.reset();
        return new FailTask(error);
    }
    if (tasks.isEmpty() && !c.variations->hasNext()) {
        return finishTrack();
    }
    // A stretch of variations that asks nothing still ends the step: its empty group gives the
    // engine's other elements a turn before the next stretch.
    c.requests += tasks.size();
    requestCount += tasks.size();
    if (context != nullptr && context->getMonitor() != nullptr) {
        context->getMonitor()->addRequests(tasks.size());
    }
    auto* group = new Task(tr("Requesting data for SNPs (%1)").arg(c.track.sequenceName),
                           TaskFlags(TaskFlag_NoRun) | TaskFlag_NoFailOnSubtaskError);
    group->setMaxParallelSubtasks(settings.parallel);
    group->setFreeFinishedSubtasks(true);
    for (Task* t : tasks) {
        group->addSubTask(t);
    }
    connect(group, &Task::si_stateChanged, this, &BaseRequestForSnpWorker::sl_trackTaskFinished);
    window = group;
    const int tenth = c.variationCount > 0 ? int(10 * c.variationsDone / c.variationCount) : 10;
    if (tenth > c.shownTenth && tenth < 10) {
        c.shownTenth = tenth;
        cmdLog.info(tr("%1: %2 of %3 variations of %4 requested").arg(getActorId()).arg(c.variationsDone)
                        .arg(c.variationCount).arg(c.track.sequenceName));
    }
    return group;
}

Task* BaseRequestForSnpWorker::finishTrack() {
    QString error;
    if (!flushResults(error)) {
        cursor.reset();
        return new FailTask(error);
    }
    const TrackCursor& c = *cursor;
    if (c.requests > 0) {
        cmdLog.info(tr("%1: %2 requests for the %3 variations of %4 in %5 s, %6 failed")
                        .arg(getActorId()).arg(c.requests).arg(c.variationsDone).arg(c.track.sequenceName)
                        .arg(c.timer.elapsed() / 1000.0, 0, 'f', 1).arg(c.failed));
    }
    cursor.reset();
    sendEmptyMessage();
    finishIfInputDrained();
    return nullptr;
}

QList<Task*> BaseRequestForSnpWorker::createRequestTasks(const NxVariant& variation, const NxVariantTrack& track,
                                                         NxDbi* snpDatabase) {
    QList<Task*> tasks;
    // Looked up once per track: finding the data folder reads the environment and the disk.
    const QString scriptPath = cursor != nullptr ? cursor->scriptPath : getScriptPath();
    for (const QVariantMap& request : prepareRequests(variation, track, snpDatabase)) {
        auto* task = new RequestForSnpTask(scriptPath, request, variation);
        task->setTimeLimitMs(settings.timeLimitMs);
        connect(task, &Task::si_stateChanged, this, &BaseRequestForSnpWorker::sl_taskFinished);
        tasks << task;
    }
    return tasks;
}

QString BaseRequestForSnpWorker::describeVariation(const NxVariant& v) const {
    const QString chromosome = cursor != nullptr ? cursor->track.sequenceName : QString("?");
    return QString("%1:%2 %3>%4").arg(chromosome).arg(v.startPos + 1)
        .arg(QString::fromLatin1(v.refData.left(50)), QString::fromLatin1(v.obsData.left(50)));
}

QString BaseRequestForSnpWorker::checkAnswer(const QVariantMap& results) const {
    for (const QString& key : getResultKeys()) {
        const QString value = results.value(key).toString();
        if (value.size() > MAX_ANSWER_LENGTH) {
            return tr("answer %1 is longer than %2 characters").arg(key).arg(MAX_ANSWER_LENGTH);
        }
        for (const QChar ch : value) {
            const ushort u = ch.unicode();
            if (u < 0x20 || u == 0x7f || u == QChar::ReplacementCharacter) {
                // A tab or line break would shift or split the report's row.
                return u == QChar::ReplacementCharacter
                           ? tr("answer %1 is not valid text").arg(key)
                           : tr("answer %1 holds the control character 0x%2").arg(key).arg(u, 2, 16, QChar('0'));
            }
        }
    }
    return QString();
}

void BaseRequestForSnpWorker::recordFailure(const BaseSnpAnnotationTask* task, const QString& reason) {
    ++failedRequestCount;
    if (cursor != nullptr) {
        cursor->failed++;
    }
    const QString where = describeVariation(task->getVariation());
    scriptLog.error(tr("%1: the request for %2 failed: %3").arg(getActorId(), where, reason));
    if (context != nullptr && context->getMonitor() != nullptr) {
        context->getMonitor()->addRequestFailure({getActorId(), where, reason});
    }
    if (settings.stopAtFirstFailure) {
        failElement(tr("The request for %1 failed: %2 (the run stops at the first failed request)").arg(where, reason));
    }
}

void BaseRequestForSnpWorker::failElement(const QString& error) {
    if (pendingFailure.isEmpty()) {
        pendingFailure = error;
    }
    if (!window.isNull() && !window->isFinished()) {
        // The error first: the engine then reports it instead of a plain cancel.
        window->setError(error);
        window->cancel();
    }
}

void BaseRequestForSnpWorker::sl_taskFinished() {
    auto* task = qobject_cast<BaseSnpAnnotationTask*>(sender());
    NX_SAFE_POINT(task != nullptr, QString("Invalid task is encountered"), );
    if (!task->isFinished() || task->isCanceled()) {
        return;
    }
    if (task->hasError()) {
        recordFailure(task, task->getFailureDescription());
        return;
    }
    const QVariantMap results = task->getResults();
    const QString bad = checkAnswer(results);
    if (!bad.isEmpty()) {
        recordFailure(task, bad);
        return;
    }
    pendingResults[task->getVariation().id].append({task->getVariation(), task->getFeatureId(), results});
    if (pendingResults.size() >= FLUSH_THRESHOLD) {
        QString error;
        if (!flushResults(error)) {
            failElement(error);
        }
    }
}

void BaseRequestForSnpWorker::sl_trackTaskFinished() {
    auto* group = qobject_cast<Task*>(sender());
    NX_SAFE_POINT(group != nullptr, QString("Invalid task is encountered"), );
    // The next step goes on with the track (or reports the failure); nothing to do here.
    if (group->isFinished() && group == window) {
        window = nullptr;
    }
}

bool BaseRequestForSnpWorker::flushResults(QString& error) {
    if (pendingResults.isEmpty()) {
        return true;
    }
    if (context == nullptr || context->getDataStorage() == nullptr) {
        error = tr("%1: no workflow database to write %2 answers to").arg(getActorId()).arg(pendingResults.size());
        return false;
    }
    const NxDbiRef ref = context->getDataStorage()->getDbiRef();
    NxOpStatusImpl os;
    DbiConnection connection(ref, false, os);
    if (os.hasError() || connection.dbi == nullptr) {
        error = tr("Cannot open the workflow database %1 to write answers: %2")
                    .arg(ref.dbiId, os.hasError() ? os.getError() : tr("no connection"));
        return false;
    }
    bool ok = true;
    NxOpStatusImpl blockOs;
    {
        // One short transaction per batch: a whole batch is one commit, and no lock is held
        // between batches, so other elements' writers never wait long behind this one.
        DbiOperationsBlock block(ref, blockOs);
        for (auto it = pendingResults.constBegin(); ok && it != pendingResults.constEnd(); ++it) {
            for (const VariationResult& r : it.value()) {
                if (!storeResults(r.variation, r.featureId, r.results, connection.dbi, error)) {
                    ok = false;
                    break;
                }
            }
        }
    }
    if (ok && blockOs.hasError()) {
        error = tr("Cannot commit %1 answers to the workflow database %2: %3")
                    .arg(pendingResults.size()).arg(ref.dbiId, blockOs.getError());
        ok = false;
    }
    connection.close(os);
    if (ok) {
        pendingResults.clear();
    }
    return ok;
}

bool BaseRequestForSnpWorker::storeResults(const NxVariant& variation, const QByteArray& featureId,
                                           const QVariantMap& results, NxDbi* database, QString& error) {
    if (database == nullptr) {
        NX_RECOVER_MSG(QString("no session dbi"));
        error = tr("no workflow database");
        return false;
    }
    NxAttributeDbi* attributeDbi = database->getAttributeDbi();
    if (attributeDbi == nullptr) {
        NX_RECOVER_MSG(QString("no Attribute Dbi"));
        error = tr("the workflow database has no attribute table");
        return false;
    }
    if (results.isEmpty()) {
        return true;
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
        NxOpStatusImpl os;
        attributeDbi->createStringAttribute(attribute, os);
        if (os.hasError()) {
            error = tr("Cannot store the answer %1 on a variation in the workflow database: %2").arg(attribute.name, os.getError());
            return false;
        }
    }
    return true;
}

void BaseRequestForSnpWorker::finish() {
    pendingResults.clear();
    cursor.reset();
}

}  // namespace LocalWorkflow
}  // namespace Nx
