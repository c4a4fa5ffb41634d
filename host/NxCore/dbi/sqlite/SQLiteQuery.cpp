#include "SQLiteQuery.h"

#include "SQLiteDbi.h"
#include "SQLiteUtils.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/records/NxVariant.h>

#include <sqlite3.h>

namespace Nx {

bool SQLiteQuery::open(SQLiteDbi* db) {
    if (os.hasError()) {
        return false;
    }
    if (db == nullptr || db->getHandle() == nullptr) {
        os.setError(tr("Database is not open"));
        return false;
    }
    handle = db->getHandle();
    return true;
}

SQLiteQuery::SQLiteQuery(const QString& sql, SQLiteDbi* db, NxOpStatus& os)
    : SQLiteQuery(sql, db, true, os) {
}

SQLiteQuery::SQLiteQuery(const char* sql, SQLiteDbi* db, NxOpStatus& os) : literal(sql), os(os) {
    if (!open(db)) {
        return;
    }
    this->db = db;
    stmt = db->takeCachedStatement(literal);
    if (stmt == nullptr) {
        int rc = sqlite3_prepare_v2(handle, literal, -1, &stmt, nullptr);
        if (rc != SQLITE_OK) {
            dbPath = db->getFilePath();
            setError(QString::fromUtf8(sqlite3_errmsg(handle)));
            sqlite3_finalize(stmt);
            stmt = nullptr;
        }
    }
}

SQLiteQuery::SQLiteQuery(const QString& sql, SQLiteDbi* db, bool cached, NxOpStatus& os)
    : sql(sql), cached(cached), os(os) {
    if (!open(db)) {
        return;
    }
    dbPath = db->getFilePath();
    if (cached) {
        this->db = db;
        stmt = db->takeCachedStatement(sql);
    }
    if (stmt == nullptr) {
        QByteArray utf8 = sql.toUtf8();
        int rc = sqlite3_prepare_v2(handle, utf8.constData(), utf8.size(), &stmt, nullptr);
        if (rc != SQLITE_OK) {
            setError(QString::fromUtf8(sqlite3_errmsg(handle)));
            sqlite3_finalize(stmt);
            stmt = nullptr;
        }
    }
}

SQLiteQuery::~SQLiteQuery() {
    if (stmt == nullptr) {
        return;
    }
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    if (literal != nullptr && db != nullptr) {
        db->returnCachedStatement(literal, stmt);
    } else if (cached && db != nullptr) {
        db->returnCachedStatement(sql, stmt);
    } else {
        sqlite3_finalize(stmt);
    }
}

QString SQLiteQuery::sqlText() const {
    return literal != nullptr ? QString::fromUtf8(literal) : sql;
}

void SQLiteQuery::setError(const QString& what) {
    if (dbPath.isEmpty() && db != nullptr) {
        dbPath = db->getFilePath();
    }
    os.setError(tr("Database error in '%1': %2 (while running: %3)").arg(dbPath, what, sqlText().simplified()));
}

bool SQLiteQuery::checkBind(int rc) {
    if (rc == SQLITE_OK) {
        return true;
    }
    setError(QString::fromUtf8(sqlite3_errmsg(handle)));
    return false;
}

void SQLiteQuery::bindInt64(int idx, qint64 v) {
    if (stmt == nullptr || os.hasError()) return;
    checkBind(sqlite3_bind_int64(stmt, idx, v));
}

void SQLiteQuery::bindDouble(int idx, double v) {
    if (stmt == nullptr || os.hasError()) return;
    checkBind(sqlite3_bind_double(stmt, idx, v));
}

void SQLiteQuery::bindString(int idx, const QString& v) {
    if (stmt == nullptr || os.hasError()) return;
    if (v.isEmpty()) {
        checkBind(sqlite3_bind_text(stmt, idx, "", 0, SQLITE_STATIC));
        return;
    }
    QByteArray utf8 = v.toUtf8();
    checkBind(sqlite3_bind_text(stmt, idx, utf8.constData(), utf8.size(), SQLITE_TRANSIENT));
}

void SQLiteQuery::bindBlob(int idx, const QByteArray& v, bool copy) {
    if (stmt == nullptr || os.hasError()) return;
    // A null data pointer would store NULL; an empty value must stay an empty blob.
    static const char empty = 0;
    const char* data = v.isEmpty() ? &empty : v.constData();
    checkBind(sqlite3_bind_blob(stmt, idx, data, v.size(), copy && !v.isEmpty() ? SQLITE_TRANSIENT : SQLITE_STATIC));
}

void SQLiteQuery::bindNull(int idx) {
    if (stmt == nullptr || os.hasError()) return;
    checkBind(sqlite3_bind_null(stmt, idx));
}

void SQLiteQuery::bindDataId(int idx, const NxDataId& id, NxDataType expectedType) {
    if (stmt == nullptr || os.hasError()) return;
    qint64 rowId = SQLiteUtils::toDbRef(id, expectedType, os);
    if (os.hasError()) return;
    bindInt64(idx, rowId);
}

bool SQLiteQuery::step() {
    if (stmt == nullptr || os.hasError() || done) {
        return false;
    }
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        return true;
    }
    done = true;
    if (rc != SQLITE_DONE) {
        setError(QString::fromUtf8(sqlite3_errmsg(handle)));
    }
    return false;
}

qint64 SQLiteQuery::execute() {
    if (stmt == nullptr || os.hasError()) {
        return -1;
    }
    while (step()) {
    }
    if (os.hasError()) {
        return -1;
    }
    return sqlite3_changes(handle);
}

qint64 SQLiteQuery::insert() {
    if (execute() < 0) {
        return -1;
    }
    return sqlite3_last_insert_rowid(handle);
}

qint64 SQLiteQuery::selectInt64(qint64 defaultValue) {
    if (!step()) {
        return defaultValue;
    }
    return getInt64(0);
}

void SQLiteQuery::reset() {
    if (stmt == nullptr) return;
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    done = false;
}

qint64 SQLiteQuery::getInt64(int col) const {
    return stmt == nullptr ? 0 : sqlite3_column_int64(stmt, col);
}

double SQLiteQuery::getDouble(int col) const {
    return stmt == nullptr ? 0 : sqlite3_column_double(stmt, col);
}

QString SQLiteQuery::getString(int col) const {
    if (stmt == nullptr) return QString();
    const char* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
    int n = sqlite3_column_bytes(stmt, col);
    if (text == nullptr) {
        return QString();
    }
    if (n == 0) {
        // Most text columns read row by row (public ids, discard reasons) are empty: a shared
        // empty string instead of an allocation each.
        static const QString empty = QStringLiteral("");
        return empty;
    }
    return QString::fromUtf8(text, n);
}

QByteArray SQLiteQuery::getBlob(int col) const {
    if (stmt == nullptr) return QByteArray();
    const char* data = static_cast<const char*>(sqlite3_column_blob(stmt, col));
    int n = sqlite3_column_bytes(stmt, col);
    if (data == nullptr) {
        return QByteArray();
    }
    if (n == 1) {
        // Most alleles are one base.
        QByteArray one = staticOneBaseAllele(data[0]);
        if (!one.isEmpty()) {
            return one;
        }
    }
    return QByteArray(data, n);
}

bool SQLiteQuery::isNull(int col) const {
    return stmt == nullptr || sqlite3_column_type(stmt, col) == SQLITE_NULL;
}

NxDataId SQLiteQuery::getDataId(int col, NxDataType type) const {
    if (isNull(col)) return NxDataId();
    return SQLiteUtils::toDbiId(getInt64(col), type);
}

void SQLiteQuery::exec(const QString& sql, SQLiteDbi* db, NxOpStatus& os) {
    if (os.hasError()) return;
    if (db == nullptr || db->getHandle() == nullptr) {
        os.setError(tr("Database is not open"));
        return;
    }
    char* err = nullptr;
    int rc = sqlite3_exec(db->getHandle(), sql.toUtf8().constData(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        QString msg = err != nullptr ? QString::fromUtf8(err) : QString::fromUtf8(sqlite3_errstr(rc));
        os.setError(tr("Database error in '%1': %2 (while running: %3)").arg(db->getFilePath(), msg, sql.simplified()));
    }
    sqlite3_free(err);
}

}  // namespace Nx
