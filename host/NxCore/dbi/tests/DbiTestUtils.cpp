#include "DbiTestUtils.h"

#include <QFile>

#include <sqlite3.h>

namespace Nx {
namespace DbiTestUtils {

NxDbiRef refOf(const QString& path) {
    return NxDbiRef(SQLITE_DBI_ID, path);
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    return f.readAll();
}

qint64 rawSelectInt(const QString& path, const QString& sql) {
    sqlite3* h = nullptr;
    qint64 res = -1;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(h, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW) {
            res = sqlite3_column_int64(st, 0);
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(h);
    return res;
}

void rawExec(const QString& path, const QString& sql) {
    sqlite3* h = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &h);
    sqlite3_exec(h, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    sqlite3_close(h);
}

NxVariant variant(qint64 start, const QByteArray& ref, const QByteArray& obs, const QString& publicId) {
    NxVariant v;
    v.startPos = start;
    v.endPos = start + ref.size();
    v.refData = ref;
    v.obsData = obs;
    v.publicId = publicId;
    return v;
}

}  // namespace DbiTestUtils
}  // namespace Nx
