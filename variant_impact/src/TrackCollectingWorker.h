// Base of the writer elements (reports, annotated VCF): collects every incoming variation track
// until its input ends, then hands out one task over all of them, and lists the files that task
// wrote as the run's outputs once it has succeeded. An element states only its task and files.
#pragma once

#include <NxCore/records/NxDbiRef.h>
#include <NxCore/records/NxVariant.h>
#include <NxLang/engine/BaseWorker.h>

namespace Nx {
namespace LocalWorkflow {

class TrackCollectingWorker : public BaseWorker {
    Q_OBJECT
public:
    explicit TrackCollectingWorker(Actor* a);

    void start() override;
    Task* step() final;
    void finish() override;

protected:
    // The one task over every collected track (a failing task when it cannot be made).
    virtual Task* createTask(const QList<NxVariantTrack>& tracks, const NxDbiRef& dbiRef) = 0;
    // The files a finished task wrote.
    virtual QStringList outputFilesOf(Task* task) const = 0;
    // Whether a track of another database fails the step; otherwise it is logged and the step
    // goes on with the tracks it has.
    virtual bool failOnMixedDatabases() const { return true; }

private Q_SLOTS:
    void sl_taskFinished();

private:
    IntegralBus* input = nullptr;  // null until start
    QList<NxVariantTrack> tracks;  // every track received so far, in arrival order
    NxDbiRef dbiRef;               // database of the received tracks; empty until the first one
    bool taskStarted = false;      // the one task of this input has been handed out
};

}  // namespace LocalWorkflow
}  // namespace Nx
