// Recognises the text formats the window opens and describes their content in one line:
// FASTA, PDB, mmCIF, VCF, TSV, a raw sequence, or plain text. Binary data is refused.
#pragma once

#include <QByteArray>
#include <QString>

namespace Nx {

class DocumentFormat {
public:
    // Format ids.
    static const QString FASTA;
    static const QString PDB;
    static const QString MMCIF;
    static const QString VCF;
    static const QString TSV;
    static const QString RAW_SEQUENCE;
    static const QString PLAIN_TEXT;

    // The id of the format of data (empty when it is binary, i.e. holds a NUL byte or is no
    // valid UTF-8). The file name only breaks ties (".tsv" with one column).
    static QString detect(const QByteArray& data, const QString& fileName = QString());
    // "FASTA", "PDB", ... for the window.
    static QString displayName(const QString& formatId);
    // One line about the content: "2 sequences, 1,234 residues", "1 model, 327 atoms, chains A".
    static QString summarize(const QString& formatId, const QByteArray& data);
};

}  // namespace Nx
