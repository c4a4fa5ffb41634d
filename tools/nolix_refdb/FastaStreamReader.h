// Streams the sequences of a FASTA file (plain or bgzipped) in blocks, so a 250 Mb chromosome
// never sits in memory as a whole. Bases are upper-cased; IUPAC nucleotide codes are accepted,
// anything else is an error naming file, line and character.
#pragma once

#include <QCoreApplication>

#include "LineReader.h"

namespace Nx {

class FastaStreamReader {
    Q_DECLARE_TR_FUNCTIONS(Nx::FastaStreamReader)
public:
    bool open(const QString& path, QString& error);

    // Moves to the next record; false at the end of the file or on error (error then set).
    // The name is the first word of the header line.
    bool nextSequence(QString& name, QString& error);
    // Appends up to maxBytes further bases of the current record to block (cleared first);
    // false when the record has no more bases (or on error, error then set).
    bool readBlock(QByteArray& block, int maxBytes, QString& error);

    const LineReader& lines() const { return reader; }

private:
    bool fetchLine(QByteArray& line);

    LineReader reader;
    QByteArray pending;       // a line read ahead (the next header), not consumed yet
    bool hasPending = false;
    bool inRecord = false;    // between a header and the next header
    QByteArray carry;         // bases of the current line that did not fit into the last block
};

}  // namespace Nx
