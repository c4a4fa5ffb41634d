// Receives what an external process prints, chunk by chunk, in order, on the task's thread.
// Subclasses override parseOutput (or its alias parseOutputChunk) to pick their answers out of
// standard output; error output is kept so that a failure can quote the tool's last words.
#pragma once

#include <QString>
#include <QStringList>

namespace Nx {

class ExternalToolLogParser {
public:
    virtual ~ExternalToolLogParser() = default;

    // Standard output. The default hands the chunk to parseOutputChunk.
    virtual void parseOutput(const QString& chunk) { parseOutputChunk(chunk); }
    // Default: keeps the chunk's non-empty lines in lastPartOfLog and the last one in lastLine.
    virtual void parseOutputChunk(const QString& chunk);
    // Standard error. Default: keeps the last lines (see getErrorTail).
    virtual void parseErrOutput(const QString& chunk);

    virtual int getProgress() { return progress; }
    const QString& getLastError() const { return lastError; }
    void setLastError(const QString& e) { lastError = e; }
    // The last few lines the tool wrote to standard error, joined by line feeds.
    QString getErrorTail() const { return errTail.join("\n"); }
    // The first non-empty line the tool wrote to standard error (empty when none).
    const QString& getFirstErrorLine() const { return firstErrLine; }

protected:
    QStringList lastPartOfLog;  // lines of the last standard-output chunk
    QString lastLine;           // last non-empty line of standard output
    QStringList errTail;        // last lines of standard error (at most 10)
    QString firstErrLine;       // first non-empty line of standard error
    QString lastError;          // an error the parser itself recognised; fails the run
    int progress = -1;          // 0..100 when the parser can tell, else -1
};

}  // namespace Nx
