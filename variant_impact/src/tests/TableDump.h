// Reads a SQLite file through a handle of its own, for tests that compare what two runs stored.
#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

#include <sqlite3.h>

namespace Nx {
namespace TableDump {

// Every row of the query, its columns as text joined by '|'; one line naming the error when the
// query cannot be prepared.
inline QStringList rows(const QString& path, const char* sql) {
    QStringList result;
    sqlite3* h = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(h, sql, -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW) {
                QStringList cells;
                for (int c = 0; c < sqlite3_column_count(st); ++c) {
                    cells << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
                }
                result << cells.join('|');
            }
        } else {
            result << QString("cannot prepare: %1").arg(sqlite3_errmsg(h));
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(h);
    return result;
}

}  // namespace TableDump
}  // namespace Nx
