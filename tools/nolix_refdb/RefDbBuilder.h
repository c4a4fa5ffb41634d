// Builds a reference database (one SQLite file) from standard files.
//
// Inputs (formats in detail in --help, main.cpp):
//   FASTA (required)   one sequence object per record; the visible name is the record name
//   GFF3/GTF (required) one "Gene" feature per transcript, exons and CDS parts as children
//   gene info TSV      alternative name, accession and disease text of genes or transcripts
//   matrices TSV       the damage-effect matrix of a transcript, stored as "DEAttribute_len" and
//                      "DEAttribute" attributes on the transcript's feature id
//   BED x2             special regions "SD" and "CR"
//   VCF                known mutations with scores, one track per chromosome number
//
// How they are combined:
//  1. The output is built in OUT.tmp-XXXXXX beside OUT, renamed over OUT only when everything
//     succeeded; any failure removes the temporary file, so OUT is never half-written.
//  2. The FASTA is streamed into chunked sequence objects in blocks of BLOCK_SIZE bases; the names
//     and lengths it gives are what every later input is checked against.
//  3. The annotation is parsed into transcript models (GeneModelParser), the gene-info rows are
//     applied (a transcript's own row wins over its gene's), one transcript per gene is chosen
//     (TranscriptChooser) and stored under the gene's name, or with allTranscripts every
//     transcript under its own name (a report row names the transcript it describes); the
//     coding region is cut by the phase of the first CDS part (see TranscriptModel).
//  4. Matrix blocks are checked against the transcripts (coding, positions within the codon
//     count L) and encoded as L rows of 20 floats (DamageMatrix); missing rows stay -1.
//  5. BED regions become "SD" and "CR" features.
//  6. VCF records become known mutations; chromosomes that KnownMutationsUtils does not number
//     (unplaced contigs and the like) are counted and left out. REF alleles are compared with
//     the FASTA sequence of the same chromosome number; mismatches are counted and reported as a
//     warning (public files carry a few), not an error.
// The first bad record stops the build with "file:line: reason".
#pragma once

#include <QCoreApplication>

#include "TranscriptModel.h"

#include <QHash>
#include <QSet>
#include <QString>

namespace Nx {

class SQLiteDbi;
class NxOpStatus;

class RefDbBuilder {
    Q_DECLARE_TR_FUNCTIONS(Nx::RefDbBuilder)
public:
    struct Options {
        QString out;
        QString fasta;
        QString genes;
        QString knownMutations;
        QString matrices;
        QString segmentalDuplications;
        QString conservedRegions;
        QString geneInfo;
        QString chosenTranscripts;   // TSV of the transcript chosen for every gene; none when empty
        bool allTranscripts = false;  // every transcript under its own name instead of one per gene
        bool quiet = false;  // no progress lines
    };

    static constexpr int BLOCK_SIZE = 1 << 20;    // FASTA bases appended at once
    static constexpr int MUTATION_BATCH = 20000;  // known mutations stored at once

    explicit RefDbBuilder(const Options& options) : opt(options) {}

    // False and error ("file:line: reason" where a record is at fault) on failure; OUT untouched then.
    bool build(QString& error);

private:
    bool buildInto(const QString& tmpPath, QString& error);
    bool loadFasta(SQLiteDbi* db, QString& error);
    bool loadGenes(SQLiteDbi* db, QString& error);
    // The transcripts to store, with the names to store them under.
    QVector<TranscriptModel> keptTranscripts(QVector<TranscriptModel>& transcripts, QString& error);
    bool writeChosenTranscripts(const QString& path, const QString& text, QString& error);
    bool loadMatrices(SQLiteDbi* db, QString& error);
    bool loadRegions(SQLiteDbi* db, const QString& path, const char* setName, QString& error);
    bool loadKnownMutations(SQLiteDbi* db, QString& error);
    void progress(const QString& text) const;
    // Remembers a failed database write, reported instead of the input line it happened at.
    QString storeFailed(const NxOpStatus& os);
    // The transcript a matrix key names: the id as written, without a "transcript:" prefix, or
    // with or without a ".N" version suffix when that is what tells it apart; empty when none.
    QByteArray resolveTranscript(const QByteArray& key) const;
    static QByteArray withoutVersion(const QByteArray& id);

    Options opt;
    QString storageError;
    QHash<QString, QByteArray> sequenceIds;    // FASTA name -> sequence object id
    QHash<QString, qint64> sequenceLengths;    // FASTA name -> length
    QHash<QByteArray, int> codonCounts;        // transcript id -> codons of its coding region (0: non-coding)
    QHash<QByteArray, QByteArray> unversionedIds;  // id without ".N" -> id (empty when ambiguous)
    QSet<QByteArray> droppedIds;               // transcripts of the annotation not kept
    QString chosenTmpPath;                     // the chosen-transcripts file until the build succeeded
};

}  // namespace Nx
