// What the report element's attributes say, copied into its task.
#pragma once

#include <QString>

namespace Nx {

struct SNPReportSettings {
    QString regulatoryReportPath;  // "regulatory_report_path"
    QString inGeneReportPath;      // "report_path"
    QString dbPath;                // "db_path"
};

}  // namespace Nx
