// Worker of the "snp-report-writer-id" element: collects every incoming variation track until its
// input ends, then runs one report task over all of them.
#pragma once

#include "SNPReportSettings.h"
#include "TrackCollectingWorker.h"

#include <memory>

namespace Nx {

class SharedVcfEntries;

namespace LocalWorkflow {

class SNPReportWriter : public TrackCollectingWorker {
    Q_OBJECT
public:
    explicit SNPReportWriter(Actor* a);

    SNPReportSettings getSettings() const;

protected:
    Task* createTask(const QList<NxVariantTrack>& tracks, const NxDbiRef& dbiRef) override;
    QStringList outputFilesOf(Task* task) const override;
    // A track of another database is logged and the report goes on with the tracks it has.
    bool failOnMixedDatabases() const override { return false; }

private:
    // Shared with the annotated-VCF writer this element pairs with, for the whole run.
    std::shared_ptr<SharedVcfEntries> vcfEntries;
};

}  // namespace LocalWorkflow
}  // namespace Nx
