// One transcript as read from GFF3 or GTF, ready to be stored as a "Gene" feature.
#pragma once

#include <NxCore/records/NxRegion.h>

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

namespace Nx {

struct TranscriptModel {
    QByteArray id;               // stable identifier without a "transcript:" prefix, e.g. ENST00000335137
    QString geneId;              // without a "gene:" prefix
    QString geneName;            // the gene's Name (gene id when the input names none)
    QString name;                // the transcript's own Name (GFF3) or transcript_name (GTF); may be empty
    QStringList tags;            // GFF3 tag list or GTF tag values, e.g. basic, Ensembl_canonical, MANE_Select
    QString ccdsId;              // GFF3 ccdsid, GTF ccds_id; empty when none
    QString sequenceName;        // as in the FASTA
    bool reverse = false;        // on the minus strand
    NxRegion span;               // transcript span (from the transcript line, else the exon span)
    QVector<NxRegion> exons;     // ascending genomic order on both strands, not overlapping
    QVector<NxRegion> cdsParts;  // ascending, each inside one exon
    int startPhase = 0;          // phase of the 5'-most CDS part: bases before the first full codon
    QString altName;             // from the gene-info table
    QString accession;
    QString disease;
    QString storedName;          // name of its "Gene" feature, set when it is kept
    bool infoByTranscript = false;  // the gene-info row named this transcript, not its gene

    bool isCoding() const { return !cdsParts.isEmpty(); }
    // Span of the CDS parts with the leading partial codon of an incomplete CDS cut off, so that
    // codon frames counted from the start of the coding region are right. Empty when non-coding.
    NxRegion codingRegion() const;
    // Number of codons of the coding region (the length of its damage-effect matrix).
    int codonCount() const;
    // Bases of the spliced transcript (sum of the exon lengths).
    qint64 exonBases() const;
    // Whether a tag is set, compared without letter case and with ' ' and '_' alike
    // ("MANE Select" of RefSeq files is Ensembl's "MANE_Select").
    bool hasTag(const QString& tag) const;
};

// Transcripts of one annotation file, in input order, and the sequence lengths they were checked against.
typedef QHash<QString, qint64> SequenceLengths;

}  // namespace Nx
