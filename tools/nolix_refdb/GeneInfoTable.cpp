#include "GeneInfoTable.h"

#include "LineReader.h"

#include <QSet>

namespace Nx {

bool GeneInfoTable::read(const QString& path, QString& error) {
    LineReader reader;
    if (!reader.open(path, error)) {
        return false;
    }
    QByteArray line;
    while (reader.readLine(line)) {
        if (line.trimmed().isEmpty() || line.startsWith('#')) {
            continue;
        }
        QList<QByteArray> cols = line.split('\t');
        if (cols.size() > 4) {
            error = reader.where() + tr("expected at most 4 tab-separated columns (key, alternative name, "
                                             "accession, disease), found %1")
                                         .arg(cols.size());
            return false;
        }
        QString key = QString::fromUtf8(cols[0].trimmed());
        if (key.startsWith("transcript:")) {
            key = key.mid(11);
        }
        if (key.isEmpty()) {
            error = reader.where() + tr("empty gene or transcript key in the first column");
            return false;
        }
        if (rows.contains(key)) {
            error = reader.where() + tr("key '%1' is listed twice").arg(key);
            return false;
        }
        Row r;
        r.altName = cols.size() > 1 ? QString::fromUtf8(cols[1].trimmed()) : QString();
        r.accession = cols.size() > 2 ? QString::fromUtf8(cols[2].trimmed()) : QString();
        r.disease = cols.size() > 3 ? QString::fromUtf8(cols[3].trimmed()) : QString();
        rows.insert(key, r);
    }
    if (reader.hasReadError()) {
        error = reader.readErrorMessage();
        return false;
    }
    return true;
}

int GeneInfoTable::apply(QVector<TranscriptModel>& transcripts) const {
    QSet<QString> used;
    for (TranscriptModel& t : transcripts) {
        QString txKey = QString::fromLatin1(t.id);
        QString bareKey = txKey.section('.', 0, 0);
        const QString& key = rows.contains(txKey) ? txKey : (rows.contains(bareKey) ? bareKey : t.geneName);
        auto it = rows.constFind(key);
        if (it == rows.constEnd()) {
            continue;
        }
        used.insert(key);
        t.altName = it->altName;
        t.accession = it->accession;
        t.disease = it->disease;
        t.infoByTranscript = key != t.geneName;
    }
    return rows.size() - used.size();
}

}  // namespace Nx
