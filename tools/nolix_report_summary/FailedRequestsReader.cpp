#include "FailedRequestsReader.h"

#include <QFile>
#include <QRegularExpression>

namespace Nx {

bool FailedRequestsReader::read(const QString& path, FailedRequests& into, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = tr("%1: cannot read: %2").arg(path, file.errorString());
        return false;
    }
    auto fail = [&](qint64 line, const QString& reason) {
        error = QString("%1:%2: %3").arg(path).arg(line).arg(reason);
        return false;
    };
    static const QRegularExpression counts("^## (\\d+) of (\\d+) requests failed$");
    qint64 lineNumber = 0;
    FailedRequests read;
    while (!file.atEnd()) {
        QByteArray raw = file.readLine(MAX_LINE_BYTES + 2);
        ++lineNumber;
        if (raw.size() > MAX_LINE_BYTES) {
            return fail(lineNumber, tr("line longer than %1 bytes").arg(MAX_LINE_BYTES));
        }
        if (raw.contains('\0')) {
            return fail(lineNumber, tr("holds a NUL byte"));
        }
        if (raw.endsWith('\n')) {
            raw.chop(1);
        }
        const QString line = QString::fromLatin1(raw);
        if (lineNumber == 1) {
            const QRegularExpressionMatch m = counts.match(line);
            if (!m.hasMatch()) {
                return fail(1, tr("expected \"## N of M requests failed\", found \"%1\"").arg(line.left(80)));
            }
            read.failed = m.captured(1).toLongLong();
            read.total = m.captured(2).toLongLong();
            if (read.failed > read.total) {
                return fail(1, tr("more requests failed than were made"));
            }
            continue;
        }
        if (lineNumber == 2) {
            if (line != "#Element\tVariation\tReason") {
                return fail(2, tr("expected the header \"#Element<TAB>Variation<TAB>Reason\""));
            }
            continue;
        }
        const QStringList cells = line.split('\t');
        if (cells.size() != 3) {
            return fail(lineNumber, tr("%1 cells where a row has 3").arg(cells.size()));
        }
        read.listedByElement[cells[0]]++;
        if (read.rows.size() < FailedRequests::MAX_ROWS) {
            read.rows << FailedRequestRow{cells[0], cells[1], cells[2]};
        }
    }
    if (lineNumber < 2) {
        return fail(lineNumber + 1, tr("the file ends before its header"));
    }
    const qint64 listed = lineNumber - 2;
    if (listed > read.failed) {
        return fail(lineNumber, tr("%1 rows listed but only %2 requests failed").arg(listed).arg(read.failed));
    }
    into.failed += read.failed;
    into.total += read.total;
    for (auto it = read.listedByElement.constBegin(); it != read.listedByElement.constEnd(); ++it) {
        into.listedByElement[it.key()] += it.value();
    }
    for (const FailedRequestRow& r : qAsConst(read.rows)) {
        if (into.rows.size() < FailedRequests::MAX_ROWS) {
            into.rows << r;
        }
    }
    into.files++;
    return true;
}

}  // namespace Nx
