// Sequences for nolix-tata: FASTA, or one sequence per line.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace Nx {

// One input sequence.
struct TataInputRecord {
    QByteArray name;     // FASTA name (header up to the first blank), or seqN counting from 1
    QByteArray sequence; // the bytes of the sequence, line breaks removed
    int line = 0;        // line where the record starts (1-based)
};

class TataInputReader {
public:
    // Reads the whole of `path` ("-" or empty: standard input). False with `error` set when it
    // cannot be read.
    static bool readSource(const QString& path, QByteArray& data, QString& error);

    // Splits `data` into records. It is FASTA when a line starts with '>': every header starts
    // a record, and text before the first header is an error. Otherwise every non-blank line is
    // a sequence. NUL bytes are dropped (the model stops at them). False with `error` naming the
    // line when the data is malformed; an empty result is not an error here.
    static bool parse(const QByteArray& data, QList<TataInputRecord>& records, QString& error);
};

} // namespace Nx
