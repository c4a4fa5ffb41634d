// Reads gene annotations from GFF3 or GTF into one TranscriptModel per transcript.
//
// Both formats are tab-separated with 9 columns (seqid, source, type, start, end, score, strand,
// phase, attributes), 1-based closed coordinates. The format is told by the attribute column of the
// first feature line: key=value pairs are GFF3, key "value"; pairs are GTF. Lines are combined so:
//  1. GFF3 gene lines (type gene, ncRNA_gene, pseudogene, or an ID starting "gene:") give gene
//     names: Name, else gene_name, else the ID without "gene:".
//  2. GFF3 transcripts are lines of an RNA type (mRNA, transcript, lnc_RNA, *_transcript, ...)
//     and lines of any other type whose Parent is a gene line read before; the stable id is the
//     ID without "transcript:". A transcript without a gene line takes gene_name, else its
//     Parent, as gene name. UTR, start/stop codon and region lines are skipped. GTF transcripts
//     are named by transcript_id on exon/CDS lines; a GTF transcript line only gives the span.
//  3. exon and CDS lines are attached to their Parent(s) (GFF3) or transcript_id (GTF). GTF
//     stop_codon lines are added to the CDS, because GTF leaves the stop codon out of CDS lines
//     while GFF3 keeps it in; abutting CDS parts are merged.
//  4. Each transcript is checked (sequence known to the FASTA and long enough, one strand, exons
//     not overlapping and inside the transcript line's span, every CDS part inside an exon, CDS
//     phase 0-2) and its exons and CDS parts are sorted ascending on both strands.
//  5. The phase of the 5'-most CDS part (lowest start on +, highest end on -) is kept as
//     startPhase: an incomplete CDS starts that many bases before its first full codon.
//  6. The transcript's own name (GFF3 Name, else transcript_name; GTF transcript_name), its tags
//     (GFF3 tag list, GTF tag values) and its CCDS id (ccdsid, ccds_id) are kept for the choice
//     of one transcript per gene (TranscriptChooser).
// Two faults of hand-edited files are read with a warning, because they can mean only one thing:
// tabs inside the GFF3 attribute column (the ninth column runs to the line end) and phase "." on
// the only CDS part of a transcript (the frame starts at its 5' end).
// Other feature types (UTRs, start_codon, regions, ...) are skipped. Candidates with neither
// exons nor CDS (e.g. a GFF3 "chromosome" line with an ID) are not transcripts and are dropped.
// The first bad record stops the reading with file, line and reason.
#pragma once

#include <QCoreApplication>

#include "TranscriptModel.h"

#include <functional>

namespace Nx {

class GeneModelParser {
    Q_DECLARE_TR_FUNCTIONS(Nx::GeneModelParser)
public:
    enum class Format { Unknown, Gff3, Gtf };

    // All transcripts of the file in order of first appearance; false and error at the first bad record.
    bool parse(const QString& path, const SequenceLengths& sequences, QVector<TranscriptModel>& transcripts,
               QString& error);

    Format getFormat() const { return format; }
    // Called every PROGRESS_LINES lines with the number of lines read so far.
    static constexpr qint64 PROGRESS_LINES = 1000000;
    std::function<void(qint64)> onProgress;
    // Called with "file:line: warning: ..." for a record read in the one way it can be meant.
    std::function<void(const QString&)> onWarning;

    // Attribute column of one line as key -> value (values still comma-joined for GFF3 lists).
    static QHash<QString, QString> parseGff3Attributes(const QByteArray& column);
    static QHash<QString, QString> parseGtfAttributes(const QByteArray& column);
    static Format detectFormat(const QByteArray& attributeColumn);

private:
    Format format = Format::Unknown;
};

}  // namespace Nx
