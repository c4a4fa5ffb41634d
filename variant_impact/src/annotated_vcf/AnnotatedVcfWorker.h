// Worker of the "write-annotated-variations" element: collects every incoming variation track
// until its input ends, then runs one task that writes the annotated copy of the input file.
#pragma once

#include "AnnotatedVcfTask.h"

#include <NxCore/records/NxDbiRef.h>
#include <NxCore/records/NxVariant.h>
#include <NxLang/engine/BaseWorker.h>

#include <QSet>

namespace Nx {
namespace LocalWorkflow {

class AnnotatedVcfWorker : public BaseWorker {
    Q_OBJECT
public:
    explicit AnnotatedVcfWorker(Actor* a);

    void start() override;
    Task* step() override;
    void finish() override;

    // The settings of a run; error is set when the input file cannot be known.
    AnnotatedVcfSettings getSettings(QString& error) const;
    // The input file when "url-in" is empty: the "url-in" of the nearest element upstream that
    // reads files. Empty when there is none; error is set when it names several files.
    QString upstreamInput(QString& error) const;
    // The element ids of every element upstream of this one.
    QSet<QString> upstreamElements() const;

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
