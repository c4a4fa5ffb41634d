// The SNP report's variations read by several threads at once. The tracks are cut into parts of
// consecutive start positions; each thread opens its own connections to both databases, takes the
// next part and writes the part's rows to temporary files, one for each report, so that every
// variation is read once for both passes (OrderedParts). The task's thread takes the parts
// strictly in track and position order: it appends their in-gene rows to the in-gene report
// and their regulatory rows to one waiting file, which the regulatory pass copies into its
// report. Each report is then byte for byte the one a single reader writes, and since the threads
// read only a few parts ahead of the taking, memory and open files stay bounded whatever the
// input size. A part that failed ends the pass when its turn comes, after the rows it wrote
// before the failure.
//
// The threads only read. A variation whose gene effects were never evaluated must be evaluated
// and stored on the way, which readers of one database cannot do side by side: from the part
// that holds such a variation on, the task's thread reads the rest of each pass itself. It does
// the same from a part whose rows could not be kept in a temporary file (a full or read-only
// temporary folder), so the report never depends on one.
#pragma once

#include "SNPReportSettings.h"

#include <NxCore/records/NxDbiRef.h>
#include <NxCore/records/NxRegion.h>
#include <NxCore/records/NxVariant.h>

#include <QCoreApplication>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace Nx {

class IOAdapter;
class SharedVcfEntries;
class TaskStateInfo;

class SNPReportParallelReader {
    Q_DECLARE_TR_FUNCTIONS(Nx::SNPReportParallelReader)
public:
    // A part of a track: the variations whose start lies in the region.
    struct Part {
        int track = 0;   // index into the tracks
        NxRegion region;
    };

    // folder: where the parts' rows wait; empty for the system's temporary folder.
    SNPReportParallelReader(const SNPReportSettings& settings, const QList<NxVariantTrack>& tracks,
                            const NxDbiRef& dbiRef, const QList<Part>& parts, int threads, const QString& folder);
    ~SNPReportParallelReader();

    // Writes one pass's rows to io; the in-gene pass reads the parts, the regulatory pass after it
    // uses what that read. writeHeader is called before the first variation of the pass (even
    // one that gives no rows), and false from it ends the pass. counter counts the variations of
    // the pass and drives the progress (counter * 100 / total). readHere reads a part of the pass
    // on the calling thread, writing and counting on its own. False when the run must stop: the
    // error is then in stateInfo, or it was canceled.
    bool writePass(bool inGene, IOAdapter* io, const std::function<bool()>& writeHeader,
                   const std::function<bool(const Part&)>& readHere, qint64 total, qint64& counter,
                   TaskStateInfo& stateInfo);

    // The threads also compute each part's annotated-VCF entries and publish them there.
    void setVcfEntries(const std::shared_ptr<SharedVcfEntries>& entries);

    struct Shared;

private:
    bool readInGenePass(IOAdapter* io, const std::function<bool()>& writeHeader,
                        const std::function<bool(const Part&)>& readHere, qint64 total, qint64& counter,
                        TaskStateInfo& stateInfo);

    SNPReportSettings settings;
    QList<NxVariantTrack> tracks;
    NxDbiRef dbiRef;
    QList<Part> parts;
    int threads;
    std::unique_ptr<Shared> shared;
    int firstPartHere = -1;  // the first part the task's thread reads itself; -1: none
};

}  // namespace Nx
