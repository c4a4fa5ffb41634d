#include "TataInputReader.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace Nx {

namespace {

QString tr(const char* text) { return QCoreApplication::translate("TataInputReader", text); }

// A line without its line break (LF or CRLF).
QByteArray cleanLine(QByteArray line) {
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    return line;
}

} // namespace

bool TataInputReader::readSource(const QString& path, QByteArray& data, QString& error) {
    QFile file;
    const bool fromStdin = path.isEmpty() || path == QLatin1String("-");
    if (fromStdin) {
        if (!file.open(stdin, QIODevice::ReadOnly)) {
            error = tr("cannot read standard input: %1").arg(file.errorString());
            return false;
        }
    } else {
        file.setFileName(path);
        if (!file.open(QIODevice::ReadOnly)) {
            error = tr("cannot read '%1': %2").arg(path, file.errorString());
            return false;
        }
    }
    data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = tr("cannot read '%1': %2").arg(fromStdin ? tr("standard input") : path, file.errorString());
        return false;
    }
    return true;
}

bool TataInputReader::parse(const QByteArray& data, QList<TataInputRecord>& records, QString& error) {
    records.clear();
    // Binary input would otherwise be scored as letters: refuse it instead.
    if (data.startsWith("\x1f\x8b")) {
        error = tr("compressed (gzip) input is not read; decompress it first");
        return false;
    }
    const int nul = data.indexOf('\0');
    if (nul >= 0) {
        error = tr("line %1: a NUL byte; the input is not a text file").arg(data.left(nul).count('\n') + 1);
        return false;
    }
    const QList<QByteArray> lines = data.split('\n');
    bool fasta = false;
    for (const QByteArray& line : lines) {
        if (line.startsWith('>')) {
            fasta = true;
            break;
        }
    }

    records.clear();
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray line = cleanLine(lines[i]);
        const int lineNumber = i + 1;
        if (!fasta) {
            if (line.trimmed().isEmpty()) {
                continue;
            }
            TataInputRecord r;
            r.name = "seq" + QByteArray::number(records.size() + 1);
            r.sequence = line;
            r.line = lineNumber;
            records.append(r);
            continue;
        }
        if (line.startsWith('>')) {
            TataInputRecord r;
            const QByteArray header = line.mid(1).simplified(); // blanks and tabs become one space
            const int blank = header.indexOf(' ');
            r.name = blank >= 0 ? header.left(blank) : header;
            if (r.name.isEmpty()) {
                r.name = "seq" + QByteArray::number(records.size() + 1);
            }
            r.line = lineNumber;
            records.append(r);
            continue;
        }
        if (records.isEmpty()) {
            if (line.trimmed().isEmpty()) {
                continue;
            }
            error = tr("line %1: sequence text before the first FASTA header ('>')").arg(lineNumber);
            return false;
        }
        records.last().sequence += line;
    }
    return true;
}

} // namespace Nx
