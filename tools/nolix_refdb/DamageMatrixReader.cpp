#include "DamageMatrixReader.h"

#include "LineReader.h"

#include <QSet>

#include <cmath>
#include <limits>

namespace Nx {

bool DamageMatrixReader::read(const QString& path, const Sink& onMatrix, QString& error) {
    LineReader reader;
    if (!reader.open(path, error)) {
        return false;
    }
    QByteArray current;           // transcript of the block being read
    QMap<int, Row> rows;
    qint64 blockLine = 0;
    QSet<QByteArray> finished;    // transcripts whose block has ended
    auto flush = [&]() -> bool {
        if (current.isEmpty()) {
            return true;
        }
        QString sinkError;
        if (!onMatrix(current, rows, blockLine, sinkError)) {
            error = QString("%1:%2: ").arg(path).arg(blockLine) + sinkError;
            return false;
        }
        finished.insert(current);
        rows.clear();
        return true;
    };

    QByteArray line;
    while (reader.readLine(line)) {
        if (line.trimmed().isEmpty() || line.startsWith('#')) {
            continue;
        }
        QList<QByteArray> cols = line.split('\t');
        if (cols.size() != 2 + DamageMatrix::AMINO_ACID_COUNT) {
            error = reader.where() + tr("expected 22 tab-separated columns (transcript, position, 20 scores), "
                                             "found %1")
                                         .arg(cols.size());
            return false;
        }
        QByteArray tx = cols[0].trimmed();
        bool ok = false;
        int pos = cols[1].trimmed().toInt(&ok);
        if (tx.isEmpty() || !ok || pos < 1) {
            error = reader.where() + tr("bad transcript '%1' or amino-acid position '%2' (1-based)")
                                         .arg(QString::fromUtf8(tx), QString::fromUtf8(cols[1]));
            return false;
        }
        if (tx != current) {
            if (!flush()) {
                return false;
            }
            if (finished.contains(tx)) {
                error = reader.where() + tr("rows of transcript '%1' are not contiguous").arg(QString::fromUtf8(tx));
                return false;
            }
            current = tx;
            blockLine = reader.getLineNumber();
        }
        if (rows.contains(pos)) {
            error = reader.where() + tr("position %1 of transcript '%2' is listed twice")
                                         .arg(pos)
                                         .arg(QString::fromUtf8(tx));
            return false;
        }
        Row row;
        for (int i = 0; i < DamageMatrix::AMINO_ACID_COUNT; ++i) {
            QByteArray v = cols[2 + i].trimmed();
            if (v == "NA" || v == ".") {
                row[i] = -1.0f;
                continue;
            }
            bool okV = false;
            double d = v.toDouble(&okV);
            if (!okV || !std::isfinite(d)) {
                error = reader.where() + tr("malformed score '%1' for amino acid %2")
                                             .arg(QString::fromUtf8(v))
                                             .arg(QChar::fromLatin1(DamageMatrix::aminoAcidOrder()[i]));
                return false;
            }
            // Stored as float32: a finite double beyond its range would become an infinity.
            if (!std::isfinite(static_cast<float>(d))) {
                error = reader.where() + tr("score '%1' for amino acid %2 is beyond single precision (at most %3 in size)")
                                             .arg(QString::fromUtf8(v))
                                             .arg(QChar::fromLatin1(DamageMatrix::aminoAcidOrder()[i]))
                                             .arg(static_cast<double>(std::numeric_limits<float>::max()));
                return false;
            }
            row[i] = static_cast<float>(d);
        }
        rows.insert(pos, row);
    }
    if (reader.hasReadError()) {
        error = reader.readErrorMessage();
        return false;
    }
    return flush();
}

}  // namespace Nx
