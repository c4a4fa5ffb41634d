// The annotated VCF's entries of every variation, handed from the report writer to the
// annotated-VCF writer of the same run, so that each variation's report rows are built once for
// both. A pair is a report writer and an annotated-VCF writer fed by the same link with the same
// reference database (the first of each kind on that link); both tasks get the same object.
//
// The report writer's reading threads compute each part's entries beside its rows and publish the
// part when it is complete (plan, then publish in any order, then close). The VCF writer reads a
// track's variations in position order and takes each one's entries from the part that holds it,
// waiting for a part that is planned and not yet published. Whatever is not published (the
// report reads on one thread, a part failed or needs its effects evaluated, the report has not
// planned yet, it was canceled) the VCF writer computes itself: it never depends on the report.
// Parts wait in temporary files, so memory stays flat.
#pragma once

#include "VariationEntries.h"

#include <NxCore/records/NxDbiRef.h>
#include <NxCore/records/NxRegion.h>
#include <NxCore/records/NxVariant.h>

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QMutex>
#include <QWaitCondition>

#include <functional>
#include <memory>
#include <vector>

namespace Nx {

namespace Workflow {
class Actor;
class WorkflowContext;
}  // namespace Workflow

class SharedVcfEntries {
public:
    // The object of the pair the element belongs to, for the tracks of that database; null when
    // the element has no partner. Both elements of a pair get the same object while either holds it.
    static std::shared_ptr<SharedVcfEntries> forElement(const Workflow::Actor* element,
                                                        Workflow::WorkflowContext* context, const NxDbiRef& dbiRef);
    // The report writer and annotated-VCF writer paired with each other, or nulls.
    static void pairOf(const Workflow::Actor* element, Workflow::WorkflowContext* context,
                       const Workflow::Actor*& report, const Workflow::Actor*& vcf);

    // Whether the entries look up the answers of analysis elements (set before the report starts).
    bool readsAnswers() const { return readAnswers; }
    void setReadsAnswers(bool on) { readAnswers = on; }

    // A part of a track: the variations whose start lies in the region.
    struct Part {
        NxDataId track;
        NxRegion region;
    };

    // The entries of one part, collected by the thread that reads it, in the part's order.
    class PartWriter {
    public:
        explicit PartWriter(const QString& folder) : folder(folder) {}
        void add(const NxVariant& variant, const VariationEntries& entries);
        bool failed() const { return writeFailed; }

    private:
        friend class SharedVcfEntries;
        bool spill();
        QString folder;
        QByteArray buffer;
        std::unique_ptr<QIODevice> file;
        bool writeFailed = false;
    };

    // Producer: the parts, in track and position order; once, before any publish.
    void plan(const QList<Part>& parts);
    // Producer: every variation of the part was added.
    void publish(int part, PartWriter& writer);
    // Producer: nothing more will be published.
    void close();

    // Consumer: the entries of one track's variations, asked for in position order.
    class TrackReader {
    public:
        TrackReader(std::shared_ptr<SharedVcfEntries> shared, const NxDataId& track)
            : shared(std::move(shared)), track(track) {}
        // True with the variation's entries in out (VariationEntries::joined(), empty for none);
        // false when the caller must compute them. canceled is asked while waiting for a part.
        bool entriesOf(const NxVariant& variant, QByteArray& out, const std::function<bool()>& canceled);

    private:
        bool readUpTo(qint64 pos);

        // A line of the part at the position being read: where its id and tails lie in data.
        struct Line {
            int idFrom, idSize, tailsFrom, tailsSize;
        };
        std::shared_ptr<SharedVcfEntries> shared;
        NxDataId track;
        int part = -1;                // index in the plan; -1: none yet
        bool missing = false;         // the part will not be published
        QByteArray data;              // the part's lines
        int offset = 0;               // of the first line not read yet
        qint64 bufferedPos = -1;      // position of the lines in atPosition
        std::vector<Line> atPosition;
    };

private:
    // The published entries of a part, waiting for it when it is planned and may still come;
    // null when it will not come (or canceled says stop).
    std::unique_ptr<QIODevice> takePart(int part, const std::function<bool()>& canceled);
    // The index of the part holding the position of the track, or -1; -1 also before the plan.
    int partOf(const NxDataId& track, qint64 pos, int from);

    QMutex lock;
    QWaitCondition changed;
    bool planned = false;
    bool closed = false;
    QList<Part> parts;
    std::vector<std::unique_ptr<QIODevice>> published;
    std::vector<bool> publishedOnce;
    bool readAnswers = true;
};

}  // namespace Nx
