// Worker of the "snp-report-writer-id" element: collects every incoming variation track until its
// input ends, then runs one report task over all of them.
#pragma once

#include "SNPReportSettings.h"

#include <NxCore/records/NxDbiRef.h>
#include <NxCore/records/NxVariant.h>
#include <NxLang/engine/BaseWorker.h>

namespace Nx {
namespace LocalWorkflow {

class SNPReportWriter : public BaseWorker {
    Q_OBJECT
public:
    explicit SNPReportWriter(Actor* a);

    void start() override;
    Task* step() override;
    void finish() override;

    SNPReportSettings getSettings() const;

private Q_SLOTS:
    void sl_taskFinished();

private:
    IntegralBus* input = nullptr;   // null until start
    QList<NxVariantTrack> tracks;   // every track received so far, in arrival order
    NxDbiRef dbiRef;                // database of the received tracks; empty until the first one
    bool taskStarted = false;       // the one report task of this input has been handed out
};

}  // namespace LocalWorkflow
}  // namespace Nx
