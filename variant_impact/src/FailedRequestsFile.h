// The failed per-variation requests of a run, written beside the in-gene report as
// <report name without extension>.failed_requests.tsv so that they travel with the reports (the
// summary page shows them). Latin-1 text:
//   ## <failed> of <total> requests failed
//   #Element<TAB>Variation<TAB>Reason
//   one row per failed request kept by the workflow monitor (the first ones)
// A run without failures removes such a file left by an earlier run of the same report.
#pragma once

#include <NxLang/engine/WorkflowMonitor.h>

#include <QList>
#include <QString>

namespace Nx {

class NxOpStatus;

class FailedRequestsFile {
public:
    static QString pathBeside(const QString& inGeneReportPath);
    // Writes (or removes, when failed is 0) the file; errors name the path.
    static bool write(const QString& path, const QList<Workflow::RequestFailure>& failures, qint64 failed,
                      qint64 total, NxOpStatus& os);
};

}  // namespace Nx
