// Reads the failed-requests files a run writes beside its in-gene report
// (<report>.failed_requests.tsv): "## N of M requests failed", the header
// "#Element<TAB>Variation<TAB>Reason", then one row per failed request. Several files (shards)
// add up. Every refusal names the file and line.
#pragma once

#include <QCoreApplication>
#include <QList>
#include <QMap>
#include <QString>

namespace Nx {

struct FailedRequestRow {
    QString element;
    QString variation;  // chromosome:position ref>alt
    QString reason;
};

struct FailedRequests {
    qint64 failed = 0;                    // requests that failed, over every file
    qint64 total = 0;                     // requests made
    QMap<QString, qint64> listedByElement;  // rows listed, by element
    QList<FailedRequestRow> rows;         // the first MAX_ROWS listed
    int files = 0;

    static const int MAX_ROWS = 200;
    bool isEmpty() const { return files == 0; }
};

class FailedRequestsReader {
    Q_DECLARE_TR_FUNCTIONS(Nx::FailedRequestsReader)
public:
    static const int MAX_LINE_BYTES = 1 << 20;
    static bool read(const QString& path, FailedRequests& into, QString& error);
};

}  // namespace Nx
