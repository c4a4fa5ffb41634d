// Shared by the summary tests: running programs of the build, writing small files, and reading
// the numbers of a summary page back out of its tables.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace Nx {

struct ProgramRun {
    int exitCode = -1;  // -1: did not start, crashed or timed out
    QString out;
    QString err;
};

// A program of build/bin, or a path, or a name on PATH.
ProgramRun runProgram(const QString& program, const QStringList& args, const QByteArray& stdinData = QByteArray());

bool writeFile(const QString& path, const QByteArray& data);
QString readFile(const QString& path);

// Table id -> rows (header row excluded, footer included), each row its cell texts. The page
// must be well-formed XML; parseError says where it is not.
QMap<QString, QList<QStringList>> readPageTables(const QString& page, QString* parseError);
// The cells of the row whose first cell is label, or empty.
QStringList tableRow(const QList<QStringList>& rows, const QString& label);
// "1,234" -> 1234; -1 when the text is no count.
qint64 countOf(const QString& cell);

}  // namespace Nx
