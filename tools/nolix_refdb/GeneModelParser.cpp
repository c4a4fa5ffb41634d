#include "GeneModelParser.h"

#include "LineReader.h"

#include <QList>
#include <QUrl>

#include <algorithm>

namespace Nx {

namespace {

// A located part of a transcript (exon or CDS), remembered with its line for later checks.
struct Part {
    NxRegion region;
    qint64 line = 0;
    int phase = 0;  // CDS only
    bool phaseMissing = false;  // CDS with phase "."
};

struct PendingTranscript {
    TranscriptModel model;
    QString parentKey;        // GFF3 Parent (gene key) or GTF gene_id
    QString typeName;         // GFF3 type of the defining line
    bool hasSpanLine = false; // a transcript line gave the span
    qint64 spanLine = 0;
    char strand = 0;
    qint64 line = 0;          // defining line (or first child line)
    QVector<Part> exons;
    QVector<Part> cds;
    QVector<Part> stopCodons;  // GTF only
};

// A GFF3 child line whose parent is resolved once the whole file is read.
struct PendingChild {
    QString parentKey;
    bool isCds = false;
    QString sequenceName;
    char strand = 0;
    Part part;
};

QString stripPrefix(const QString& id, const char* prefix) {
    return id.startsWith(QLatin1String(prefix)) ? id.mid(static_cast<int>(qstrlen(prefix))) : id;
}

QString at(const QString& file, qint64 line) {
    return QString("%1:%2: ").arg(file).arg(line);
}

QString span1(const NxRegion& r) {
    return QString("%1-%2").arg(r.startPos + 1).arg(r.endPos());
}

bool isGeneType(const QString& type, const QString& id) {
    return type == "gene" || type == "ncRNA_gene" || type == "pseudogene" || id.startsWith("gene:");
}

// Types that name a transcript even without a Parent gene line.
bool isTranscriptType(const QString& type) {
    return type == "mRNA" || type == "transcript" || type.endsWith("RNA") || type.endsWith("_transcript");
}

// Sorts, checks and fills the model of one transcript. File and lines are for the messages.
bool finishTranscript(PendingTranscript& t, const QString& file, QString& error,
                      const std::function<void(const QString&)>& onWarning) {
    TranscriptModel& m = t.model;
    // Without a phase the frame is only certain when the CDS is one part: it starts at that
    // part's 5' end. Of several parts the phase of each would be a guess.
    for (const Part& c : t.cds) {
        if (!c.phaseMissing) {
            continue;
        }
        if (t.cds.size() > 1) {
            error = at(file, c.line) + QCoreApplication::translate("Nx::GeneModelParser", "CDS phase must be 0, 1 or 2, found '.' (transcript '%1' has %2 CDS parts, so its frame cannot be told)")
                                           .arg(QString::fromLatin1(m.id))
                                           .arg(t.cds.size());
            return false;
        }
        if (onWarning) {
            onWarning(at(file, c.line) + QCoreApplication::translate("Nx::GeneModelParser", "warning: CDS phase '.' read as 0 (the only CDS part of transcript '%1')")
                                             .arg(QString::fromLatin1(m.id)));
        }
    }
    auto byStart = [](const Part& a, const Part& b) { return a.region.startPos < b.region.startPos; };
    if (t.exons.isEmpty()) {
        // GFF3 allows a coding transcript given by its CDS lines alone (viral and prokaryote
        // annotations): its exons are the CDS parts, with a GTF stop codon.
        t.exons = t.cds;
        if (!t.cds.isEmpty()) {
            t.exons += t.stopCodons;
        }
    }
    std::sort(t.exons.begin(), t.exons.end(), byStart);
    std::sort(t.cds.begin(), t.cds.end(), byStart);
    for (int i = 1; i < t.exons.size(); ++i) {
        if (t.exons[i].region.startPos < t.exons[i - 1].region.endPos()) {
            error = at(file, t.exons[i].line) + QCoreApplication::translate("Nx::GeneModelParser", "exon %1 overlaps exon %2 of transcript '%3'")
                                                    .arg(span1(t.exons[i].region), span1(t.exons[i - 1].region),
                                                         QString::fromLatin1(m.id));
            return false;
        }
    }
    NxRegion exonSpan(t.exons.first().region.startPos,
                      t.exons.last().region.endPos() - t.exons.first().region.startPos);
    if (t.hasSpanLine) {
        for (const Part& e : t.exons) {
            if (!m.span.contains(e.region)) {
                error = at(file, e.line) + QCoreApplication::translate("Nx::GeneModelParser", "exon %1 lies outside its transcript '%2' (%3)")
                                               .arg(span1(e.region), QString::fromLatin1(m.id), span1(m.span));
                return false;
            }
        }
    } else {
        m.span = exonSpan;
    }
    // GTF stop codons belong to the CDS; a stop codon without any CDS line is left out.
    if (!t.cds.isEmpty() && !t.stopCodons.isEmpty()) {
        t.cds += t.stopCodons;
        std::sort(t.cds.begin(), t.cds.end(), byStart);
    }
    QVector<Part> merged;
    for (const Part& c : t.cds) {
        if (!merged.isEmpty() && c.region.startPos < merged.last().region.endPos()) {
            error = at(file, c.line) + QCoreApplication::translate("Nx::GeneModelParser", "CDS %1 overlaps CDS %2 of transcript '%3'")
                                           .arg(span1(c.region), span1(merged.last().region),
                                                QString::fromLatin1(m.id));
            return false;
        }
        bool inExon = false;
        for (const Part& e : t.exons) {
            if (e.region.contains(c.region)) {
                inExon = true;
                break;
            }
        }
        if (!inExon) {
            error = at(file, c.line) + QCoreApplication::translate("Nx::GeneModelParser", "CDS %1 lies outside the exons of transcript '%2'")
                                           .arg(span1(c.region), QString::fromLatin1(m.id));
            return false;
        }
        if (!merged.isEmpty() && c.region.startPos == merged.last().region.endPos()) {
            Part& last = merged.last();
            // The 5'-most phase must survive the merge: on + it is the first part's, on - the last's.
            if (m.reverse) {
                last.phase = c.phase;
            }
            last.region.length += c.region.length;
            continue;
        }
        merged.append(c);
    }
    for (const Part& e : t.exons) {
        m.exons.append(e.region);
    }
    for (const Part& c : merged) {
        m.cdsParts.append(c.region);
    }
    if (!merged.isEmpty()) {
        m.startPhase = m.reverse ? merged.last().phase : merged.first().phase;
    }
    return true;
}

}  // namespace

GeneModelParser::Format GeneModelParser::detectFormat(const QByteArray& column) {
    QByteArray c = column.trimmed();
    int eq = c.indexOf('=');
    int quote = c.indexOf('"');
    int blank = c.indexOf(' ');
    if (quote >= 0 && blank >= 0 && blank < quote && (eq < 0 || quote < eq)) {
        return Format::Gtf;
    }
    return eq > 0 ? Format::Gff3 : Format::Unknown;
}

QHash<QString, QString> GeneModelParser::parseGff3Attributes(const QByteArray& column) {
    QHash<QString, QString> result;
    for (const QByteArray& item : column.split(';')) {
        QByteArray kv = item.trimmed();
        int eq = kv.indexOf('=');
        if (eq <= 0) {
            continue;
        }
        QString key = QString::fromUtf8(kv.left(eq).trimmed());
        // Commas separate list items and stay encoded inside values, so decode after the split.
        QStringList values;
        for (const QByteArray& v : kv.mid(eq + 1).split(',')) {
            values << QUrl::fromPercentEncoding(v.trimmed());
        }
        result.insert(key, values.join(','));
    }
    return result;
}

QHash<QString, QString> GeneModelParser::parseGtfAttributes(const QByteArray& column) {
    QHash<QString, QString> result;
    for (const QByteArray& item : column.split(';')) {
        QByteArray kv = item.trimmed();
        int blank = kv.indexOf(' ');
        if (blank <= 0) {
            continue;
        }
        QString key = QString::fromUtf8(kv.left(blank));
        QByteArray value = kv.mid(blank + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"')) {
            value = value.mid(1, value.size() - 2);
        }
        if (key == "tag" && result.contains(key)) {  // GTF repeats the key for every tag
            result[key] += ',' + QString::fromUtf8(value);
        } else if (!result.contains(key)) {  // other repeated keys keep the first value
            result.insert(key, QString::fromUtf8(value));
        }
    }
    return result;
}

bool GeneModelParser::parse(const QString& path, const SequenceLengths& sequences,
                            QVector<TranscriptModel>& transcripts, QString& error) {
    LineReader reader;
    if (!reader.open(path, error)) {
        return false;
    }
    format = Format::Unknown;
    QHash<QString, QString> geneNames;       // gene key (GFF3 ID or GTF gene_id) -> Name
    QHash<QString, qint64> geneLines;        // GFF3 gene ID -> its line
    QHash<QString, int> transcriptIndex;     // GFF3 ID or GTF transcript_id -> index in pending
    QVector<PendingTranscript> pending;
    QVector<PendingChild> children;          // GFF3 exon and CDS lines read before their parent
    auto attachChild = [&](const PendingChild& c, int idx) -> bool {
        if (idx < 0) {
            error = at(path, c.part.line) + tr("%1 refers to Parent '%2', which is not defined in the file")
                                                .arg(c.isCds ? "CDS" : "exon", c.parentKey);
            return false;
        }
        PendingTranscript& t = pending[idx];
        if (t.model.sequenceName != c.sequenceName || t.strand != c.strand) {
            error = at(path, c.part.line) + tr("%1 is on %2 %3 but its transcript '%4' (line %5) is on %6 %7")
                                                .arg(c.isCds ? "CDS" : "exon", c.sequenceName,
                                                     QString(QChar(c.strand)), QString::fromLatin1(t.model.id))
                                                .arg(t.line)
                                                .arg(t.model.sequenceName, QString(QChar(t.strand)));
            return false;
        }
        (c.isCds ? t.cds : t.exons).append(c.part);
        return true;
    };

    QByteArray line;
    while (reader.readLine(line)) {
        if (onProgress && reader.getLineNumber() % PROGRESS_LINES == 0) {
            onProgress(reader.getLineNumber());
        }
        if (line.startsWith("##FASTA")) {
            break;  // an embedded FASTA section ends the GFF3 features
        }
        if (line.isEmpty() || line.startsWith('#') || line.trimmed().isEmpty()) {
            continue;
        }
        QList<QByteArray> cols = line.split('\t');
        if (cols.size() > 9 && format != Format::Gtf) {
            // Tabs typed into a GFF3 description: the attribute column runs to the line end, as
            // other GFF3 readers take it. GTF and short lines stay errors.
            QByteArray attributes = cols.mid(8).join('\t');
            if (detectFormat(attributes) == Format::Gff3) {
                if (onWarning) {
                    onWarning(reader.where() + tr("warning: %1 tab-separated columns; the columns from the ninth on "
                                                  "are read as one attribute column")
                                                   .arg(cols.size()));
                }
                cols = cols.mid(0, 8);
                cols.append(attributes);
            }
        }
        if (cols.size() != 9) {
            error = reader.where() + tr("expected 9 tab-separated columns, found %1").arg(cols.size());
            return false;
        }
        if (format == Format::Unknown) {
            format = detectFormat(cols[8]);
            if (format == Format::Unknown) {
                error = reader.where() + tr("cannot tell GFF3 from GTF by the attribute column");
                return false;
            }
        }
        const QString type = QString::fromUtf8(cols[2]);
        const bool isExon = type == "exon";
        const bool isCds = type == "CDS";
        const bool isStop = format == Format::Gtf && type == "stop_codon";
        QHash<QString, QString> attrs =
            format == Format::Gff3 ? parseGff3Attributes(cols[8]) : parseGtfAttributes(cols[8]);

        // Decide whether the line matters before checking its coordinates.
        bool relevant = false;
        if (format == Format::Gff3) {
            relevant = isExon || isCds || attrs.contains("ID");
        } else {
            relevant = isExon || isCds || isStop || type == "transcript" || type == "gene";
        }
        if (!relevant) {
            continue;
        }
        QString seqName = QString::fromUtf8(cols[0]);
        const bool gffGene = format == Format::Gff3 && isGeneType(type, attrs.value("ID"));
        const bool gffOther = format == Format::Gff3 && !isExon && !isCds && !gffGene;
        // Transcripts are the RNA types and whatever else hangs from a gene line; other lines
        // with an ID (regions, and GENCODE's UTR and start/stop codon lines, whose IDs repeat
        // over the lines of one feature) are not part of a gene model.
        if (gffOther && !isTranscriptType(type) && !geneNames.contains(attrs.value("Parent").section(',', 0, 0))) {
            continue;
        }
        // Of a gene line only the name is used: its coordinates do not matter.
        if (gffGene) {
            const QString id = attrs.value("ID");
            if (geneLines.contains(id)) {
                error = reader.where() + tr("gene ID '%1' is defined twice (first at line %2)").arg(id).arg(geneLines.value(id));
                return false;
            }
            geneLines.insert(id, reader.getLineNumber());
            QString name = attrs.value("Name", attrs.value("gene_name"));
            geneNames.insert(id, name.isEmpty() ? stripPrefix(id, "gene:") : name);
            continue;
        }
        if (format == Format::Gtf && type == "gene") {
            const QString geneId = attrs.value("gene_id");
            if (!geneId.isEmpty()) {
                geneNames.insert(geneId, attrs.value("gene_name", geneId));
            }
            continue;
        }
        bool okStart = false;
        bool okEnd = false;
        qint64 start = cols[3].toLongLong(&okStart);
        qint64 end = cols[4].toLongLong(&okEnd);
        if (!okStart || !okEnd || start < 1 || end < start) {
            error = reader.where() + tr("bad coordinates '%1'-'%2'")
                                         .arg(QString::fromUtf8(cols[3]), QString::fromUtf8(cols[4]));
            return false;
        }
        auto known = sequences.constFind(seqName);
        if (known == sequences.constEnd()) {
            error = reader.where() + tr("%1 record on sequence '%2', which is not in the FASTA")
                                         .arg(format == Format::Gff3 ? "GFF3" : "GTF", seqName);
            return false;
        }
        seqName = known.key();  // one shared string per sequence instead of one per line
        if (end > known.value()) {
            error = reader.where() + tr("end %1 lies beyond the end of sequence '%2' (length %3)")
                                         .arg(end)
                                         .arg(seqName)
                                         .arg(sequences.value(seqName));
            return false;
        }
        char strand = cols[6].size() == 1 ? cols[6].at(0) : 0;
        if (strand != '+' && strand != '-' && !gffGene && type != "gene") {
            error = reader.where() + tr("strand must be '+' or '-', found '%1'").arg(QString::fromUtf8(cols[6]));
            return false;
        }
        Part part;
        part.region = NxRegion(start - 1, end - start + 1);
        part.line = reader.getLineNumber();
        if (isCds) {
            QByteArray ph = cols[7].trimmed();
            if (ph == ".") {
                part.phaseMissing = true;  // judged with the transcript's other CDS parts
            } else if (ph != "0" && ph != "1" && ph != "2") {
                error = reader.where() + tr("CDS phase must be 0, 1 or 2, found '%1'").arg(QString::fromUtf8(ph));
                return false;
            }
            part.phase = ph.toInt();
        }

        if (format == Format::Gff3) {
            const QString id = attrs.value("ID");
            if (isExon || isCds) {
                QString parents = attrs.value("Parent");
                if (parents.isEmpty()) {
                    error = reader.where() + tr("%1 without a Parent attribute").arg(type);
                    return false;
                }
                for (const QString& p : parents.split(',')) {
                    PendingChild c;
                    c.parentKey = p;
                    c.isCds = isCds;
                    c.sequenceName = seqName;
                    c.strand = strand;
                    c.part = part;
                    int idx = transcriptIndex.value(p, -1);
                    if (idx < 0) {
                        children.append(c);  // the parent may still come; checked at the end
                    } else if (!attachChild(c, idx)) {
                        return false;
                    }
                }
                continue;
            }
            if (transcriptIndex.contains(id)) {
                error = reader.where() + tr("transcript ID '%1' is defined twice (first at line %2)")
                                             .arg(id)
                                             .arg(pending[transcriptIndex.value(id)].line);
                return false;
            }
            PendingTranscript t;
            t.model.id = stripPrefix(id, "transcript:").toUtf8();
            t.model.sequenceName = seqName;
            t.model.reverse = strand == '-';
            t.model.span = part.region;
            t.hasSpanLine = true;
            t.strand = strand;
            t.parentKey = attrs.value("Parent").section(',', 0, 0);
            t.typeName = type;
            t.line = part.line;
            t.model.geneName = attrs.value("gene_name");  // used only when the gene line has no name
            t.model.name = attrs.value("Name", attrs.value("transcript_name"));
            t.model.tags = attrs.value("tag").split(',', Qt::SkipEmptyParts);
            t.model.ccdsId = attrs.value("ccdsid", attrs.value("ccds_id"));
            transcriptIndex.insert(id, pending.size());
            pending.append(t);
            continue;
        }

        // GTF
        const QString geneId = attrs.value("gene_id");
        const QString txId = attrs.value("transcript_id");
        if (txId.isEmpty()) {
            error = reader.where() + tr("%1 line without transcript_id").arg(type);
            return false;
        }
        int idx = transcriptIndex.value(txId, -1);
        if (idx < 0) {
            PendingTranscript t;
            t.model.id = txId.toUtf8();
            t.model.sequenceName = seqName;
            t.model.reverse = strand == '-';
            t.strand = strand;
            t.parentKey = geneId;
            t.line = part.line;
            idx = pending.size();
            transcriptIndex.insert(txId, idx);
            pending.append(t);
        }
        PendingTranscript& t = pending[idx];
        if (t.model.sequenceName != seqName || t.strand != strand) {
            error = reader.where() + tr("transcript '%1' is on %2 %3 at line %4, here on %5 %6")
                                         .arg(txId, t.model.sequenceName, QString(QChar(t.strand)))
                                         .arg(t.line)
                                         .arg(seqName, QString(QChar(strand)));
            return false;
        }
        if (t.parentKey != geneId) {
            error = reader.where() + tr("transcript '%1' belongs to gene '%2' at line %3, here to '%4'")
                                         .arg(txId, t.parentKey)
                                         .arg(t.line)
                                         .arg(geneId);
            return false;
        }
        if (t.model.geneName.isEmpty() && attrs.contains("gene_name")) {
            t.model.geneName = attrs.value("gene_name");
        }
        if (t.model.name.isEmpty()) {
            t.model.name = attrs.value("transcript_name");
        }
        for (const QString& tag : attrs.value("tag").split(',', Qt::SkipEmptyParts)) {
            if (!t.model.tags.contains(tag)) {
                t.model.tags.append(tag);
            }
        }
        if (t.model.ccdsId.isEmpty()) {
            t.model.ccdsId = attrs.value("ccds_id");
        }
        if (type == "transcript") {
            if (t.hasSpanLine) {
                error = reader.where() + tr("transcript '%1' has a second transcript line (first at line %2)").arg(txId).arg(t.spanLine);
                return false;
            }
            t.spanLine = part.line;
            t.model.span = part.region;
            t.hasSpanLine = true;
        } else if (isExon) {
            t.exons.append(part);
        } else if (isCds) {
            t.cds.append(part);
        } else if (isStop) {
            t.stopCodons.append(part);
        }
    }
    if (reader.hasReadError()) {
        error = reader.readErrorMessage();
        return false;
    }

    // GFF3 children that came before their transcript line.
    for (const PendingChild& c : children) {
        if (!attachChild(c, transcriptIndex.value(c.parentKey, -1))) {
            return false;
        }
    }

    transcripts.clear();
    QHash<QByteArray, qint64> storedIds;  // "transcript:T1" and "T1" are one stable id
    for (PendingTranscript& t : pending) {
        if (t.exons.isEmpty() && t.cds.isEmpty()) {
            continue;  // an ID'd line with a Parent that is not a transcript model
        }
        QString name = geneNames.value(t.parentKey);
        if (name.isEmpty()) {
            name = t.model.geneName;
        }
        if (name.isEmpty()) {
            name = stripPrefix(t.parentKey, "gene:");
        }
        if (name.isEmpty()) {
            name = QString::fromLatin1(t.model.id);
        }
        t.model.geneName = name;
        t.model.geneId = stripPrefix(t.parentKey, "gene:");
        if (storedIds.contains(t.model.id)) {
            error = at(path, t.line) + tr("transcript ID '%1' is defined twice (first at line %2)")
                                           .arg(QString::fromLatin1(t.model.id))
                                           .arg(storedIds.value(t.model.id));
            return false;
        }
        storedIds.insert(t.model.id, t.line);
        if (!finishTranscript(t, path, error, onWarning)) {
            return false;
        }
        transcripts.append(t.model);
    }
    if (transcripts.isEmpty()) {
        error = reader.getLineNumber() == 0
                    ? tr("%1: the file is empty; expected GFF3 or GTF gene models").arg(path)
                    : tr("%1: no transcript (no exon or CDS line) in %2 lines").arg(path).arg(reader.getLineNumber());
        return false;
    }
    return true;
}

}  // namespace Nx
