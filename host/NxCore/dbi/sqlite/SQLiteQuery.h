// One SQL statement on a SQLiteDbi: prepare, bind (1-based), step, read columns (0-based), reset.
// Every failure goes to the op-status with the database file and the SQL text, and turns the
// query into a no-op, so callers can bind and step without checking after every call and test
// the status once. A scoped query borrows its prepared statement from the database's cache and
// gives it back on destruction, so repeating a query costs no new prepare. For a batch, keep one
// query and call reset() between rows, inside a SQLiteTransaction.
//
// A query made with cached = false owns its statement and never touches the SQLiteDbi again after
// construction: that is the kind a live iterator may keep after its connection is closed.
#pragma once

#include <NxCore/records/NxEntity.h>

#include <QCoreApplication>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace Nx {

class NxOpStatus;
class SQLiteDbi;

class SQLiteQuery {
    Q_DECLARE_TR_FUNCTIONS(Nx::SQLiteQuery)
public:
    SQLiteQuery(const QString& sql, SQLiteDbi* db, NxOpStatus& os);
    // The same for SQL text that stays put (a literal or a constant): its statement is found again
    // by the text's address, without building or hashing a QString on every use.
    SQLiteQuery(const char* sql, SQLiteDbi* db, NxOpStatus& os);
    SQLiteQuery(const QString& sql, SQLiteDbi* db, bool cached, NxOpStatus& os);
    ~SQLiteQuery();

    SQLiteQuery(const SQLiteQuery&) = delete;
    SQLiteQuery& operator=(const SQLiteQuery&) = delete;

    bool isValid() const { return stmt != nullptr; }
    NxOpStatus& getOpStatus() const { return os; }

    void bindInt64(int idx, qint64 v);
    void bindBool(int idx, bool v) { bindInt64(idx, v ? 1 : 0); }
    void bindDouble(int idx, double v);
    void bindString(int idx, const QString& v);    // stored as UTF-8 text
    // Stored as bytes; an empty array as empty blob. With copy = false the bytes are not copied:
    // v must then stay unchanged until the next step.
    void bindBlob(int idx, const QByteArray& v, bool copy = true);
    void bindNull(int idx);
    // Binds the row id of an id of that type; sets an error when the id is of another type.
    void bindDataId(int idx, const NxDataId& id, NxDataType expectedType);

    // Next row: true when a row is ready, false at the end or after an error.
    bool step();
    // Runs the statement to completion; returns the number of rows changed, -1 on error.
    qint64 execute();
    // execute() of an INSERT; returns the new row id, -1 on error.
    qint64 insert();
    // Runs a query that yields one integer (COUNT, a row id); defaultValue when no row.
    qint64 selectInt64(qint64 defaultValue = 0);
    // Ready for the next execution; bindings are cleared too.
    void reset();

    qint64 getInt64(int col) const;
    bool getBool(int col) const { return getInt64(col) != 0; }
    double getDouble(int col) const;
    QString getString(int col) const;
    QByteArray getBlob(int col) const;
    bool isNull(int col) const;
    NxDataId getDataId(int col, NxDataType type) const;

    // Runs one or more statements with no parameters and no result rows.
    static void exec(const QString& sql, SQLiteDbi* db, NxOpStatus& os);

private:
    // Takes the connection's handle; false (with the error in os, or an earlier error there)
    // when there is nothing to prepare on.
    bool open(SQLiteDbi* db);
    void setError(const QString& what);
    bool checkBind(int rc);

    QString sqlText() const;

    QString sql;                    // the text, when given as a QString
    const char* literal = nullptr;  // the text, when given as a constant
    SQLiteDbi* db = nullptr;    // only for a cached query: the owner of the statement cache
    sqlite3* handle = nullptr;  // connection the statement belongs to
    QString dbPath;             // database file, for error messages
    sqlite3_stmt* stmt = nullptr;
    bool cached = true;
    bool done = false;          // the last step returned no row
    NxOpStatus& os;
};

}  // namespace Nx
