// Worker of the "write-annotated-variations" element: collects every incoming variation track
// until its input ends, then runs one task that writes the annotated copy of the input file.
#pragma once

#include "AnnotatedVcfTask.h"

#include <TrackCollectingWorker.h>

#include <QSet>

namespace Nx {
namespace LocalWorkflow {

class AnnotatedVcfWorker : public TrackCollectingWorker {
    Q_OBJECT
public:
    explicit AnnotatedVcfWorker(Actor* a);

    // The settings of a run; error is set when the input file cannot be known.
    AnnotatedVcfSettings getSettings(QString& error) const;
    // The input file when "url-in" is empty: the "url-in" of the nearest element upstream that
    // reads files. Empty when there is none; error is set when it names several files.
    QString upstreamInput(QString& error) const;
    // The element ids of every element upstream of this one.
    QSet<QString> upstreamElements() const;
    // Whether the element looks up answers: some element upstream of it stores them.
    static bool readsAnswers(const Actor* element, WorkflowContext* context);
    // The element ids of every element upstream of the element.
    static QSet<QString> upstreamOf(const Actor* element);

protected:
    Task* createTask(const QList<NxVariantTrack>& tracks, const NxDbiRef& dbiRef) override;
    QStringList outputFilesOf(Task* task) const override;

private:
    // Shared with the report writer this element pairs with, for the whole run.
    std::shared_ptr<SharedVcfEntries> sharedEntries;
};

}  // namespace LocalWorkflow
}  // namespace Nx
