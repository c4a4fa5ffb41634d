// Reads one report file into ReportStatistics: checks the header, the line ends and the number
// of cells of every row. A file with no bytes is a report without rows, as the writer leaves
// it; a merged file may repeat the header between the parts. A cell is at most MAX_CELL_BYTES
// long (a longer one is no report of ours, and reading it whole could exhaust memory) and holds
// no NUL byte. Every error names the file and the line.
#pragma once

#include "ReportStatistics.h"

#include <QCoreApplication>

namespace Nx {

class ReportFileReader {
    Q_DECLARE_TR_FUNCTIONS(Nx::ReportFileReader)
public:
    static const int MAX_CELL_BYTES = 1 << 20;  // 1 MiB

    // False with "file:line: reason" (or "file: reason") in error.
    static bool read(const QString& path, ReportKind kind, ReportStatistics& statistics, QString& error);
};

}  // namespace Nx
