// A clipboard text read as a web link command:
//   <prefix>[anything up to the end of the line]\n<payload>
// with the prefixes "open/selection;", "open/Ensembl;" and "open/PDB;" (exact case). The payload
// is everything after the first line break, trimmed; for the two database commands the
// identifier is the payload's first line, simplified.
//
// Any web page can put text on the clipboard, so a command is acted on only when it is safe:
// an identifier must be a public identifier of its database (RemoteDBRegistry), and pasted
// data may hold at most MAX_SELECTION_CHARS characters.
#pragma once

#include <QString>

namespace Nx {

class ClipboardCommand {
public:
    enum Kind { Kind_None, Kind_OpenSelection, Kind_OpenEnsembl, Kind_OpenPdb };

    static const QString OPEN_SELECTION;  // "open/selection;"
    static const QString OPEN_ENSEMBL;    // "open/Ensembl;"
    static const QString OPEN_PDB;        // "open/PDB;"
    // Pasted data above this many characters (16 Mi) is refused.
    static constexpr int MAX_SELECTION_CHARS = 16 * 1024 * 1024;

    static ClipboardCommand parse(const QString& text);

    bool hasLineBreak() const { return lineBreak; }
    Kind getKind() const { return kind; }
    // The payload, trimmed (the data of "open/selection;").
    const QString& getPayload() const { return payload; }
    // The first payload line, simplified (the entry of the database commands).
    const QString& getIdentifier() const { return identifier; }
    // "PDB" or "ENSEMBL" for the database commands, else empty.
    QString getDatabaseName() const;
    // "WebLink:open/..." for a command, else empty.
    QString getCounterName() const;

    // Whether the command may be carried out; otherwise why not, in words that quote nothing of
    // the clipboard text (it may be anything, including private data).
    bool isSafe(QString* reason = nullptr) const;

private:
    bool lineBreak = false;
    Kind kind = Kind_None;
    QString payload;
    QString identifier;
};

}  // namespace Nx
