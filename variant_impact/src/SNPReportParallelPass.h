// One pass of the SNP report read by several threads at once. The tracks are cut into parts of
// consecutive start positions; each thread opens its own connections to both databases, takes the
// next part, writes that part's rows to a temporary file and goes on. The calling thread appends
// the parts to the report strictly in track and position order as they finish, so the report is
// byte for byte the one a single reader writes, and memory stays bounded whatever the input size.
// A part that fails ends the pass when its turn comes, after the rows it wrote before the failure.
//
// The threads only read. A variation whose gene effects were never evaluated must be evaluated
// and stored on the way, which readers of one database cannot do side by side: from the part
// that holds such a variation on, the calling thread reads the rest of the pass itself.
#pragma once

#include "SNPReportSettings.h"

#include <NxCore/records/NxDbiRef.h>
#include <NxCore/records/NxRegion.h>
#include <NxCore/records/NxVariant.h>

#include <QCoreApplication>
#include <QList>
#include <QString>

#include <atomic>
#include <functional>

namespace Nx {

class IOAdapter;
class TaskStateInfo;

class SNPReportParallelPass {
    Q_DECLARE_TR_FUNCTIONS(Nx::SNPReportParallelPass)
public:
    // A part of a track: the variations whose start lies in the region.
    struct Part {
        int track = 0;   // index into the pass's tracks
        NxRegion region;
    };

    SNPReportParallelPass(const SNPReportSettings& settings, const QList<NxVariantTrack>& tracks, const NxDbiRef& dbiRef,
                          const QList<Part>& parts, int threads);

    // Writes the pass's rows to io. writeHeader is called before the first variation of the pass
    // (even one that gives no rows), and false from it ends the pass. counter counts the
    // variations of the pass and drives the progress (counter * 100 / total). readHere reads a
    // part on the calling thread, writing and counting on its own. False when the run must stop:
    // the error is then in stateInfo, or it was canceled.
    bool run(bool inGene, IOAdapter* io, const std::function<bool()>& writeHeader,
             const std::function<bool(const Part&)>& readHere, qint64 total, qint64& counter, TaskStateInfo& stateInfo);

private:
    SNPReportSettings settings;
    QList<NxVariantTrack> tracks;
    NxDbiRef dbiRef;
    QList<Part> parts;
    int threads;
};

}  // namespace Nx
