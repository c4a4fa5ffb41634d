#include "SummaryTestSupport.h"

#include <QFile>
#include <QProcess>
#include <QXmlStreamReader>

namespace Nx {

ProgramRun runProgram(const QString& program, const QStringList& args, const QByteArray& stdinData) {
    ProgramRun run;
    QProcess p;
    const QString path = program.contains('/') || program == "awk" ? program : QString(NX_BINARY_DIR) + "/bin/" + program;
    p.start(path, args);
    if (!p.waitForStarted(30000)) {
        run.err = path + " did not start: " + p.errorString();
        return run;
    }
    if (!stdinData.isEmpty()) {
        p.write(stdinData);
    }
    p.closeWriteChannel();
    if (!p.waitForFinished(280000)) {
        p.kill();
        p.waitForFinished();
        run.err = path + " did not finish in time";
        return run;
    }
    run.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(p.readAllStandardError());
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return run;
}

bool writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

QString readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QMap<QString, QList<QStringList>> readPageTables(const QString& page, QString* parseError) {
    QMap<QString, QList<QStringList>> tables;
    QXmlStreamReader xml(page);
    QString table;       // id of the table being read
    bool inHead = false;
    QStringList row;
    QString cell;
    int cellDepth = 0;   // > 0 inside a th or td
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QStringRef name = xml.name();
            if (name == "table") {
                table = xml.attributes().value("id").toString();
            } else if (name == "thead") {
                inHead = true;
            } else if (name == "tr") {
                row.clear();
            } else if (name == "th" || name == "td") {
                cell.clear();
                cellDepth = 1;
            } else if (cellDepth > 0) {
                ++cellDepth;
            }
        } else if (xml.isCharacters() && cellDepth > 0) {
            cell += xml.text();
        } else if (xml.isEndElement()) {
            const QStringRef name = xml.name();
            if (name == "th" || name == "td") {
                row << cell.trimmed();
                cellDepth = 0;
            } else if (cellDepth > 1) {
                --cellDepth;
            } else if (name == "thead") {
                inHead = false;
            } else if (name == "tr" && !table.isEmpty() && !inHead) {
                tables[table] << row;
            } else if (name == "table") {
                table.clear();
            }
        }
    }
    if (xml.hasError() && parseError != nullptr) {
        *parseError = QString("line %1, column %2: %3").arg(xml.lineNumber()).arg(xml.columnNumber()).arg(xml.errorString());
    }
    return tables;
}

QStringList tableRow(const QList<QStringList>& rows, const QString& label) {
    for (const QStringList& r : rows) {
        if (!r.isEmpty() && r.first() == label) {
            return r;
        }
    }
    return {};
}

qint64 countOf(const QString& cell) {
    bool ok = false;
    const qint64 n = QString(cell).remove(',').toLongLong(&ok);
    return ok ? n : -1;
}

}  // namespace Nx
