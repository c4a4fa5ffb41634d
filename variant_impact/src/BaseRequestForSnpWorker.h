// Worker behind the request elements. For each incoming variation track it builds tasks for
// every variation (createRequestTasks: by default one script run per request map of
// prepareRequests), runs them as one sequential group, writes every answer as a string
// attribute on its variation (in batches of FLUSH_THRESHOLD variations, the rest when the group
// ends) and then sends one empty message on. A failed group writes nothing more and sends
// nothing. Steps, slots and finish all run on the engine's thread; nothing here takes a lock.
#pragma once

#include <NxCore/records/NxVariant.h>
#include <NxLang/engine/BaseWorker.h>

#include <QMap>
#include <QVariantMap>

namespace Nx {

class BaseSnpAnnotationTask;
class NxDbi;

namespace LocalWorkflow {

// One answer waiting to be written.
struct VariationResult {
    NxVariant variation;   // copy of the task's variation
    QByteArray featureId;  // the task's feature identifier; empty when the request had none
    QVariantMap results;   // the task's answer
};

class BaseRequestForSnpWorker : public BaseWorker {
    Q_OBJECT
public:
    // Answers of this many distinct variations are written while the group still runs.
    static const int FLUSH_THRESHOLD = 1000;

    explicit BaseRequestForSnpWorker(Actor* a);

    void start() override;
    Task* step() override;
    void finish() override;

    // Absolute path of getScriptName() in the suite's script folder.
    QString getScriptPath() const;
    // Answers received and not written yet.
    const QMap<QByteArray, QList<VariationResult>>& getPendingResults() const { return pendingResults; }

protected:
    // The request maps for one variation; each becomes one task. The SNP database may be null
    // and must not be kept past the call.
    virtual QList<QVariantMap> prepareRequests(const NxVariant& variation, const NxVariantTrack& track, NxDbi* snpDatabase);
    // The result keys to store, in order.
    virtual QStringList getResultKeys() const = 0;
    virtual QString getScriptName() const;
    // Tasks derived from BaseSnpAnnotationTask, each connected to sl_taskFinished().
    virtual QList<Task*> createRequestTasks(const NxVariant& variation, const NxVariantTrack& track, NxDbi* snpDatabase);

    // Writes pendingResults through one connection (in one short transaction) and clears it;
    // keeps it when the workflow database cannot be opened.
    void flushResults();
    // Stores results[key] for each result key as "key" or "key:featureId" until a value is empty.
    void storeResults(const NxVariant& variation, const QByteArray& featureId, const QVariantMap& results, NxDbi* database);

protected Q_SLOTS:
    void sl_taskFinished();
    void sl_trackTaskFinished();

protected:
    Workflow::IntegralBus* input = nullptr;   // variation tracks; null until start
    Workflow::IntegralBus* output = nullptr;  // one empty message per handled track; null until start
    QMap<QByteArray, QList<VariationResult>> pendingResults;  // by variation id, not yet written

private:
    void sendEmptyMessage();
    void finishIfInputDrained();
};

}  // namespace LocalWorkflow
}  // namespace Nx
