// The summary page: one self-contained HTML file (styles inline, charts as inline SVG, no
// script, no link to anything outside the file; a content security policy makes the browser
// refuse any load). Every chart has a table with its numbers beside it; every table has an id
// ("table-...") so its numbers can be found again.
#pragma once

#include "RunDescription.h"
#include "SummaryCounts.h"

#include <QCoreApplication>
#include <QDateTime>

namespace Nx {

class SummaryPage {
    Q_DECLARE_TR_FUNCTIONS(Nx::SummaryPage)
public:
    static QString build(const SummaryCounts& counts, const RunDescription& run, const QDateTime& written);
};

}  // namespace Nx
