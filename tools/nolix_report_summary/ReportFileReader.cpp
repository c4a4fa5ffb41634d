#include "ReportFileReader.h"

#include <QFile>
#include <QFileInfo>

namespace Nx {

namespace {

QString columnLabel(ReportKind kind, int column) {
    const QString name = ReportFormat::columnName(kind, column);
    return name.isEmpty() ? ReportFileReader::tr("past the last column") : name;
}

// The first cell of the line (read up to the limit) that is too long, named with its column.
QString tooLong(const QByteArray& raw, ReportKind kind) {
    int column = 0;
    int start = 0;
    for (;;) {
        const int tab = raw.indexOf('\t', start);
        const int end = tab < 0 ? raw.size() : tab;
        if (end - start > ReportFileReader::MAX_CELL_BYTES || tab < 0) {
            return ReportFileReader::tr("cell %1 (%2) is longer than %3 bytes, the longest cell a report may hold")
                .arg(column + 1)
                .arg(columnLabel(kind, column))
                .arg(ReportFileReader::MAX_CELL_BYTES);
        }
        start = tab + 1;
        column++;
    }
}

}  // namespace

bool ReportFileReader::read(const QString& path, ReportKind kind, ReportStatistics& statistics, QString& error) {
    QFile file(path);
    if (QFileInfo(path).isDir()) {
        error = tr("%1: is a folder, not a report file").arg(path);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error = tr("%1: cannot read: %2").arg(path, file.errorString());
        return false;
    }
    const QString kindName = ReportFormat::kindName(kind);
    const QString header = ReportFormat::header(kind);
    const int cellCount = ReportFormat::columnCount(kind);
    auto fail = [&](qint64 line, const QString& reason) {
        error = QString("%1:%2: %3").arg(path).arg(line).arg(reason);
        return false;
    };

    ReportFileSummary summary;
    summary.path = QFileInfo(path).absoluteFilePath();
    summary.kind = kind;
    qint64 lineNumber = 0;
    qint64 firstBlankLine = 0;  // of a run of empty lines not yet followed by a row
    // A line of cells within the limit, its tabs and its line end fit in this many bytes.
    const qint64 maxLineBytes = qint64(cellCount) * (MAX_CELL_BYTES + 1) + 2;
    QByteArray raw;
    while (!file.atEnd()) {
        raw = file.readLine(maxLineBytes + 1);
        if (raw.isEmpty() && file.error() != QFileDevice::NoError) {
            error = tr("%1: read error after line %2: %3").arg(path).arg(lineNumber).arg(file.errorString());
            return false;
        }
        ++lineNumber;
        if (raw.size() > maxLineBytes || (!raw.endsWith('\n') && !file.atEnd())) {
            return fail(lineNumber, tooLong(raw, kind));
        }
        if (raw.contains('\0')) {
            const int column = int(raw.left(raw.indexOf('\0')).count('\t'));
            return fail(lineNumber, tr("a NUL byte in cell %1 (%2); a report is text")
                                        .arg(column + 1)
                                        .arg(columnLabel(kind, column)));
        }
        if (!raw.endsWith('\n')) {
            return fail(lineNumber, tr("the last line has no line end: the file is cut short"));
        }
        raw.chop(1);
        if (raw.endsWith('\r')) {
            return fail(lineNumber, tr("the line ends with a carriage return; reports end their lines with a "
                                       "line feed only"));
        }
        const QString line = QString::fromLatin1(raw);
        if (lineNumber == 1) {
            if (line == header) {
                continue;
            }
            ReportKind other = kind;
            if (ReportFormat::kindOfHeader(line, other)) {
                return fail(1, tr("this is the header of the %1 report, not of the %2 report (are the two "
                                  "reports swapped?)")
                                   .arg(ReportFormat::kindName(other), kindName));
            }
            return fail(1, tr("not the header of the %1 report: it must be '#' and the %2 tab-separated "
                              "column names %3")
                               .arg(kindName)
                               .arg(cellCount)
                               .arg(QString(header).mid(1).replace('\t', ' ')));
        }
        if (line.isEmpty()) {
            firstBlankLine = firstBlankLine == 0 ? lineNumber : firstBlankLine;
            continue;
        }
        if (firstBlankLine != 0) {
            return fail(firstBlankLine, tr("empty line between rows"));
        }
        if (line.startsWith('#')) {
            // Reports joined one after the other repeat the header.
            if (line == header) {
                continue;
            }
            return fail(lineNumber, tr("a header line that differs from the header of the %1 report").arg(kindName));
        }
        const QStringList cells = line.split('\t');
        for (int c = 0; c < cells.size(); c++) {
            if (cells[c].size() > MAX_CELL_BYTES) {
                return fail(lineNumber, tooLong(raw, kind));
            }
        }
        if (cells.size() != cellCount) {
            return fail(lineNumber, tr("%1 tab-separated cells; a row of the %2 report has %3")
                                        .arg(cells.size())
                                        .arg(kindName)
                                        .arg(cellCount));
        }
        QString reason;
        if (!statistics.addRow(kind, cells, reason)) {
            return fail(lineNumber, reason);
        }
        ++summary.rows;
    }
    if (file.error() != QFileDevice::NoError) {
        error = tr("%1: read error: %2").arg(path, file.errorString());
        return false;
    }
    summary.bytes = file.size();
    statistics.addFile(summary);
    return true;
}

}  // namespace Nx
