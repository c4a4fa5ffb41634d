// A database in one SQLite file, on one sqlite3 handle used by one thread only.
//
// Opening checks before it writes anything: a file that does not start with the SQLite header,
// a SQLite file of another application, or one of another schema version is refused with an
// error naming the file, and the file is left exactly as it was. A new (or empty) file gets the
// application id and PRAGMA user_version = SCHEMA_VERSION and is put in WAL mode (an existing file
// keeps its journal mode). Writable files run with synchronous=NORMAL and foreign keys on; a busy timeout lets writers of several threads wait
// for each other instead of failing at once.
//
// Tables come from SQLiteTableRegistry (see SQLiteTable.h); a table kind nobody registered has a
// null getter. Transactions nest by depth: only the outermost begin and end reach SQLite, and the
// end always commits, so what was written before an error is kept.
#pragma once

#include <NxCore/dbi/NxDbi.h>
#include <NxCore/dbi/sqlite/SQLiteTable.h>

#include <QCoreApplication>
#include <QHash>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace Nx {

class SQLiteDbi : public NxDbi {
    Q_DECLARE_TR_FUNCTIONS(Nx::SQLiteDbi)
public:
    static constexpr int SCHEMA_VERSION = 1;
    static constexpr int APPLICATION_ID = 0x4E784462;  // "NxDb"
    // How long a statement waits for another connection's write lock before it fails. Writers
    // commit in batches, so a wait normally lasts one batch; the bound only guards against a
    // writer that hangs, and waiting is better than failing a run.
    static constexpr int BUSY_TIMEOUT_MS = 30 * 60 * 1000;
    // Bytes of a statement's or savepoint's undo record kept in memory before it spills to a file.
    static constexpr int STATEMENT_JOURNAL_IN_MEMORY = 1024 * 1024;
    // A read-only database (the reference) is never locked by this suite's own writers: a lock
    // on it is another program's, logged after a second and given up after this long
    // (NX_DB_LOCK_TIMEOUT_S overrides it).
    static constexpr int READ_ONLY_LOCK_TIMEOUT_MS = 60 * 1000;
    static int readOnlyLockTimeoutMs();

    // Lock waits of every connection of the process since it started (or since the last reset):
    // how often a statement had to wait, for how long in all, and the longest single wait.
    struct BusyStats {
        qint64 waits = 0;
        qint64 totalMs = 0;
        qint64 longestMs = 0;
    };
    static BusyStats busyStats();
    static void resetBusyStats();

    // A scratch file lives only as long as the run that made it (a run's temporary session
    // database): its connections do not wait for the disk to confirm writes, which no later run
    // could use after a crash of the machine anyway. Other files keep their writes durable.
    static void setScratchFile(const QString& path, bool scratch);
    static bool isScratchFile(const QString& path);

    SQLiteDbi();
    ~SQLiteDbi() override;

    // Opens the file; with create, a missing file is created. Errors name the file. With
    // readOnly the file must be a database already; nothing is ever written to it (no tables
    // are created: a table whose SQL tables are missing fails when it is used).
    void open(const QString& filePath, bool create, NxOpStatus& os, bool readOnly = false);
    void close(NxOpStatus& os);
    bool isOpen() const { return handle != nullptr; }
    bool isWritable() const { return writable; }
    // Whether the workflow run that wrote this database finished. A run records RunState_Running
    // when it starts and Finished or Failed at its end, so a killed run leaves Running behind.
    enum RunState { RunState_Unknown, RunState_Running, RunState_Finished, RunState_Failed };
    void setRunState(RunState state, NxOpStatus& os);
    // RunState_Unknown for a database no run recorded itself in (e.g. a reference).
    RunState getRunState(NxOpStatus& os);
    static QString runStateName(RunState state);

    // True when the file holds a table or index of that name; false (and os set) on a read error.
    bool hasSqlTable(const QString& name, NxOpStatus& os);

    NxDbiRef getDbiRef() const override;
    const QString& getFilePath() const { return filePath; }
    sqlite3* getHandle() const { return handle; }

    NxObjectDbi* getObjectDbi() override;
    NxSequenceDbi* getSequenceDbi() override;
    NxFeatureDbi* getFeatureDbi() override;
    NxAttributeDbi* getAttributeDbi() override;
    NxVariantDbi* getVariantDbi() override;
    DamageEffectDbi* getDamageEffectDbi() override;
    KnownMutationsDbi* getKnownMutationsDbi() override;
    SQLiteTable* getTable(SQLiteTableKind kind) const { return tables[static_cast<int>(kind)]; }

    // Nested transactions; the outermost begin takes the write lock at once when writable and
    // immediate (a transaction that only reads may pass immediate = false).
    // beginTransaction returns false (and sets the error) when no transaction was started; then
    // endTransaction must not be called.
    bool beginTransaction(NxOpStatus& os, bool immediate = true);
    void endTransaction(NxOpStatus& os);
    int getTransactionDepth() const { return transactionDepth; }
    // Changes with every outermost transaction begun and every change this connection made:
    // what a caller read under one stamp inside a transaction is still what the database holds.
    quint64 getReadStamp() const;
    bool hasUncommittedWrites() const override;

    // Statement cache used by SQLiteQuery.
    sqlite3_stmt* takeCachedStatement(const QString& sql);
    void returnCachedStatement(const QString& sql, sqlite3_stmt* stmt);
    // The same keyed by the address of constant SQL text; the text is compared too, so a buffer
    // reused for other SQL never gets the wrong statement.
    sqlite3_stmt* takeCachedStatement(const char* sql);
    void returnCachedStatement(const char* sql, sqlite3_stmt* stmt);

private:
    bool checkExistingFile(bool& isNew, NxOpStatus& os);
    void readHeaderPragmas(bool& isNew, NxOpStatus& os);
    void initTables(bool isNew, NxOpStatus& os);
    void closeHandle();
    // sqlite3 busy handler: waits (1 ms steps first, then longer) up to BUSY_TIMEOUT_MS, counting.
    static int busyHandler(void* self, int attempt);

    QString filePath;         // as given by the caller; also the database id of the ref
    sqlite3* handle = nullptr;
    bool writable = false;
    int transactionDepth = 0;
    quint64 transactionSerial = 0;  // outermost transactions begun so far
    qint64 waitStartMs = 0;   // when the current lock wait began (monotonic clock)
    bool waitLogged = false;  // the current wait was logged
    SQLiteTable* tables[static_cast<int>(SQLiteTableKind::Count)] = {};
    QHash<QString, sqlite3_stmt*> statementCache;
    struct LiteralStatement {
        QByteArray text;               // copy of the SQL the statement was prepared from
        sqlite3_stmt* stmt = nullptr;  // null while a query has it
    };
    QHash<const char*, LiteralStatement> literalCache;
};

}  // namespace Nx
