#include "BedRegionsReader.h"

#include "LineReader.h"

namespace Nx {

bool BedRegionsReader::read(const QString& path, const SequenceLengths& sequences, const Sink& onRegion,
                            QString& error) {
    LineReader reader;
    if (!reader.open(path, error)) {
        return false;
    }
    QByteArray line;
    while (reader.readLine(line)) {
        if (line.trimmed().isEmpty() || line.startsWith('#') || line.startsWith("track") ||
            line.startsWith("browser")) {
            continue;
        }
        QList<QByteArray> cols = line.split('\t');
        if (cols.size() < 3) {
            error = reader.where() + tr("expected at least 3 tab-separated BED columns, found %1").arg(cols.size());
            return false;
        }
        QString seqName = QString::fromUtf8(cols[0]);
        bool okStart = false;
        bool okEnd = false;
        qint64 start = cols[1].trimmed().toLongLong(&okStart);
        qint64 end = cols[2].trimmed().toLongLong(&okEnd);
        if (!okStart || !okEnd || start < 0 || end <= start) {
            error = reader.where() + tr("bad BED interval '%1'-'%2' (0-based start, end greater than start)")
                                         .arg(QString::fromUtf8(cols[1]), QString::fromUtf8(cols[2]));
            return false;
        }
        if (!sequences.contains(seqName)) {
            error = reader.where() + tr("BED region on sequence '%1', which is not in the FASTA").arg(seqName);
            return false;
        }
        if (end > sequences.value(seqName)) {
            error = reader.where() + tr("BED end %1 lies beyond the end of sequence '%2' (length %3)")
                                         .arg(end)
                                         .arg(seqName)
                                         .arg(sequences.value(seqName));
            return false;
        }
        QString sinkError;
        if (!onRegion(seqName, NxRegion(start, end - start), sinkError)) {
            error = reader.where() + sinkError;
            return false;
        }
    }
    if (reader.hasReadError()) {
        error = reader.readErrorMessage();
        return false;
    }
    return true;
}

}  // namespace Nx
