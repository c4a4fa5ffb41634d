// Worker behind the request elements. For each incoming variation track it walks the track's
// variations in windows: each step looks at most WINDOW_VARIATIONS variations and builds the
// tasks of at most WINDOW_REQUESTS requests
// (createRequestTasks: by default one script run per request map of prepareRequests) and runs
// them as one group, several at once (RequestRunSettings), so memory stays flat in the size of
// the track and the engine's thread is never busy with more than one window. Every answer is
// written as a string attribute on its variation (in batches of FLUSH_THRESHOLD variations, the
// rest when the track is done); then one empty message is sent on.
//
// A failed request costs only its own answer: it is logged once with its variation and how it
// ended, counted in the workflow monitor, and the run goes on (unless the settings say to stop
// at the first failure). An answer that would break the report's shape (a control character,
// more than MAX_ANSWER_LENGTH characters) is a failed request too. Anything that would lose a
// track or its answers (the workflow database, the reference database, the variation listing,
// a write of answers) fails the element with the cause.
//
// Steps, slots and finish all run on the engine's thread; nothing here takes a lock.
#pragma once

#include "RequestRunSettings.h"

#include <NxCore/records/NxVariant.h>
#include <NxLang/engine/BaseWorker.h>

#include <QMap>
#include <QPointer>
#include <QVariantMap>

#include <memory>

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
    // Answers of this many distinct variations are written while the track is still running.
    static const int FLUSH_THRESHOLD = 1000;
    // Tasks built in one step and run as one group, from at most WINDOW_VARIATIONS variations.
    static const int WINDOW_REQUESTS = 1024;
    static const int WINDOW_VARIATIONS = 4096;
    // Longest answer stored; a longer one fails its request.
    static const int MAX_ANSWER_LENGTH = 65536;

    explicit BaseRequestForSnpWorker(Actor* a);
    ~BaseRequestForSnpWorker() override;

    void start() override;
    bool isReady() const override;
    Task* step() override;
    void finish() override;

    // Absolute path of getScriptName() in the suite's script folder.
    QString getScriptPath() const;
    // Answers received and not written yet.
    const QMap<QByteArray, QList<VariationResult>>& getPendingResults() const { return pendingResults; }
    const RequestRunSettings& getRunSettings() const { return settings; }
    void setRunSettings(const RequestRunSettings& s) { settings = s; }
    // Requests run and failed since start().
    qint64 getRequestCount() const { return requestCount; }
    qint64 getFailedRequestCount() const { return failedRequestCount; }

protected:
    // The request maps for one variation; each becomes one task. The SNP database may be null
    // and must not be kept past the call.
    virtual QList<QVariantMap> prepareRequests(const NxVariant& variation, const NxVariantTrack& track, NxDbi* snpDatabase);
    // The result keys to store, in order.
    virtual QStringList getResultKeys() const = 0;
    virtual QString getScriptName() const;
    // Tasks derived from BaseSnpAnnotationTask, each connected to sl_taskFinished().
    virtual QList<Task*> createRequestTasks(const NxVariant& variation, const NxVariantTrack& track, NxDbi* snpDatabase);

    // Writes pendingResults through one connection in one transaction and clears it. False,
    // with the cause in error, when the answers could not be written (they are kept then).
    bool flushResults(QString& error);
    // Stores results[key] for each result key as "key" or "key:featureId" until a value is
    // empty. False, with the cause in error, when a write failed.
    bool storeResults(const NxVariant& variation, const QByteArray& featureId, const QVariantMap& results,
                      NxDbi* database, QString& error);

protected Q_SLOTS:
    void sl_taskFinished();
    void sl_trackTaskFinished();

protected:
    Workflow::IntegralBus* input = nullptr;   // variation tracks; null until start
    Workflow::IntegralBus* output = nullptr;  // one empty message per handled track; null until start
    QMap<QByteArray, QList<VariationResult>> pendingResults;  // by variation id, not yet written

private:
    struct TrackCursor;

    Task* openTrack();
    Task* nextWindow();
    Task* finishTrack();
    // Fails the element at its next step and stops the running window.
    void failElement(const QString& error);
    void recordFailure(const BaseSnpAnnotationTask* task, const QString& reason);
    // Why the answer cannot be stored; empty when it can.
    QString checkAnswer(const QVariantMap& results) const;
    QString describeVariation(const NxVariant& v) const;
    void sendEmptyMessage();
    void finishIfInputDrained();

    RequestRunSettings settings;
    std::unique_ptr<TrackCursor> cursor;  // the track being walked; null between tracks
    QPointer<Task> window;                // the running window's group
    QString pendingFailure;               // fails the element at the next step
    qint64 requestCount = 0;
    qint64 failedRequestCount = 0;
};

}  // namespace LocalWorkflow
}  // namespace Nx
