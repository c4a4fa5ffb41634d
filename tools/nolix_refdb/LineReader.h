// Reads a text input line by line, plain or gzip/bgzip-compressed alike (htslib detects which),
// and keeps the 1-based number of the last line so every error can name file and line.
#pragma once

#include <QCoreApplication>

#include <QByteArray>
#include <QString>

#include <htslib/kstring.h>

struct htsFile;

namespace Nx {

class LineReader {
    Q_DECLARE_TR_FUNCTIONS(Nx::LineReader)
public:
    LineReader() = default;
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // False and an error text when the file cannot be opened.
    bool open(const QString& path, QString& error);
    // Next line without its line end ("\n" or "\r\n"); false at the end of the input or on a
    // read error (then hasReadError() is true): damaged compressed data, or a NUL byte.
    bool readLine(QByteArray& line);
    bool hasReadError() const { return !readError.isEmpty(); }
    // "file:line: reason" of the read error.
    QString readErrorMessage() const;

    const QString& getPath() const { return path; }
    qint64 getLineNumber() const { return lineNumber; }
    // "file:line: " prefix of an error about the current line.
    QString where() const;

private:
    QString path;
    htsFile* file = nullptr;
    qint64 lineNumber = 0;  // of the line last returned
    QString readError;
    kstring_t buffer = KS_INITIALIZE;  // reused for every line
    QByteArray next;                   // the line after the one last returned
    bool hasNext = false;
    bool started = false;

    void fetch();
};

}  // namespace Nx
