// The annotated VCF's entries of every variation, handed from the report writer to the
// annotated-VCF writer of the same run, so that each variation's report rows are built once for
// both. A pair is a report writer and an annotated-VCF writer fed by the same link with the same
// reference database (the first of each kind on that link); both tasks get the same object.
//
// The report writer's reading threads write a line for every variation of a part (position, id,
// alleles, entries) beside its rows and publish the part when it is complete (plan, then publish
// in any order, then close). The VCF writer takes a track's variations part by part from those
// lines, waiting for the plan and for a part that is planned and not yet published. Whatever is
// not published (the report reads on one thread, a part failed or needs its effects evaluated,
// it was canceled) the VCF writer reads from the workflow database and computes itself: it never
// depends on the report. Parts wait in temporary files, so memory stays flat.
#pragma once

#include "VariationEntries.h"

#include <NxCore/dbi/NxDbiIterator.h>
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

    // Consumer: the variations of one track in position order, each with its entries where the
    // report handed them over (all of a part's variations are in its lines), else from the
    // workflow database for the caller to compute.
    class TrackReader {
    public:
        // The track's variations in a region from the workflow database; null when they cannot be read.
        using OpenRegion = std::function<NxDbiIterator<NxVariant>*(const NxRegion&)>;
        TrackReader(std::shared_ptr<SharedVcfEntries> shared, const NxDataId& track, OpenRegion openRegion)
            : shared(std::move(shared)), track(track), openRegion(std::move(openRegion)) {}
        // The next variation; with hasEntries its entries are in entries (VariationEntries::joined(),
        // empty for none). False at the end of the track, or when the database cannot be read.
        // canceled is asked while waiting for the report.
        bool next(NxVariant& variant, QByteArray& entries, bool& hasEntries, const std::function<bool()>& canceled);

    private:
        // Opens the next part (or the whole track); false when there is none.
        bool nextSegment(const std::function<bool()>& canceled);
        // The next line of data; false at its end or at a damaged line.
        bool nextLine(NxVariant& variant, QByteArray& entries);
        // From the database from the part's region on, past the variations handed out of it.
        bool readRestFromDatabase();

        std::shared_ptr<SharedVcfEntries> shared;
        NxDataId track;
        OpenRegion openRegion;
        bool segmentsKnown = false;
        std::vector<std::pair<int, NxRegion>> segments;  // plan index (-1: none) and region
        int segment = -1;
        QByteArray data;   // the lines of the current part, when handed over
        int offset = 0;    // of the next line
        qint64 handed = 0; // variations of the current segment handed out
        std::unique_ptr<NxDbiIterator<NxVariant>> it;  // otherwise
    };

private:
    // The published entries of a part, waiting for it when it is planned and may still come;
    // null when it will not come (or canceled says stop).
    std::unique_ptr<QIODevice> takePart(int part, const std::function<bool()>& canceled);
    // Waits until the report planned its parts or will not; the parts of the track and true when it did.
    bool waitForPlan(const NxDataId& track, std::vector<std::pair<int, NxRegion>>& trackParts,
                     const std::function<bool()>& canceled);

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
