#include "SQLiteDbi.h"

#include "SQLiteQuery.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DamageEffectDbi.h>
#include <NxCore/dbi/KnownMutationsDbi.h>
#include <NxCore/dbi/NxAttributeDbi.h>
#include <NxCore/dbi/NxFeatureDbi.h>
#include <NxCore/dbi/NxObjectDbi.h>
#include <NxCore/dbi/NxSequenceDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/log/Logger.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>

#include <QThread>

#include <sqlite3.h>

#include <atomic>

namespace Nx {

namespace {
std::atomic<qint64> busyWaits{0};
std::atomic<qint64> busyTotalMs{0};
std::atomic<qint64> busyLongestMs{0};

QMutex scratchLock;
QSet<QString> scratchFiles;  // absolute paths

qint64 nowMs() {
    return QDeadlineTimer::current().deadline();
}
}  // namespace

SQLiteDbi::BusyStats SQLiteDbi::busyStats() {
    BusyStats s;
    s.waits = busyWaits.load();
    s.totalMs = busyTotalMs.load();
    s.longestMs = busyLongestMs.load();
    return s;
}

void SQLiteDbi::setScratchFile(const QString& path, bool scratch) {
    const QString file = QFileInfo(path).absoluteFilePath();
    QMutexLocker locker(&scratchLock);
    if (scratch) {
        scratchFiles.insert(file);
    } else {
        scratchFiles.remove(file);
    }
}

bool SQLiteDbi::isScratchFile(const QString& path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    QMutexLocker locker(&scratchLock);
    return scratchFiles.contains(file);
}

void SQLiteDbi::resetBusyStats() {
    busyWaits = 0;
    busyTotalMs = 0;
    busyLongestMs = 0;
}

int SQLiteDbi::readOnlyLockTimeoutMs() {
    bool ok = false;
    const double seconds = qEnvironmentVariable("NX_DB_LOCK_TIMEOUT_S").toDouble(&ok);
    return ok && seconds >= 0 ? int(qMin(seconds, 24.0 * 3600) * 1000) : READ_ONLY_LOCK_TIMEOUT_MS;
}

int SQLiteDbi::busyHandler(void* self, int attempt) {
    auto* dbi = static_cast<SQLiteDbi*>(self);
    if (attempt == 0) {
        dbi->waitStartMs = nowMs();
        dbi->waitLogged = false;
        ++busyWaits;
    }
    if (!dbi->writable) {
        const qint64 waitedSoFar = nowMs() - dbi->waitStartMs;
        const int limit = readOnlyLockTimeoutMs();
        if (!dbi->waitLogged && waitedSoFar >= 1000) {
            dbi->waitLogged = true;
            ioLog.info(QString("Waiting for database %1: another program holds a lock on it (giving up after %2 s)")
                           .arg(dbi->filePath).arg(limit / 1000.0));
        }
        if (waitedSoFar >= limit) {
            ioLog.error(QString("Gave up waiting %1 s for the lock on database %2, held by another program")
                            .arg(limit / 1000.0).arg(dbi->filePath));
            return 0;
        }
    }
    const int sleepMs = attempt < 10 ? 1 : (attempt < 30 ? 5 : 20);
    QThread::msleep(sleepMs);
    busyTotalMs += sleepMs;
    const qint64 waited = nowMs() - dbi->waitStartMs;
    qint64 longest = busyLongestMs.load();
    while (waited > longest && !busyLongestMs.compare_exchange_weak(longest, waited)) {
    }
    return waited < BUSY_TIMEOUT_MS ? 1 : 0;
}

SQLiteDbi::SQLiteDbi() {
    // Memory statistics cost a global mutex per allocation and nobody reads them. The undo record
    // of a savepoint or a multi-row statement (the pages it changes, a few hundred kilobytes for
    // a batch of effects) stays in memory instead of going to a new temporary file each time once
    // it passes 64 KiB; a larger one still goes to disk. Both only take effect before SQLite's
    // first use in the process; later calls are refused harmlessly.
    static const bool configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK &&
                                   sqlite3_config(SQLITE_CONFIG_STMTJRNL_SPILL, STATEMENT_JOURNAL_IN_MEMORY) == SQLITE_OK;
    Q_UNUSED(configured);
}

SQLiteDbi::~SQLiteDbi() {
    if (handle != nullptr) {
        NxOpStatus2Log os;
        close(os);
    }
}

NxDbiRef SQLiteDbi::getDbiRef() const {
    return NxDbiRef(SQLITE_DBI_ID, filePath);
}

void SQLiteDbi::open(const QString& path, bool create, NxOpStatus& os, bool readOnly) {
    if (handle != nullptr) {
        os.setError(tr("Database '%1' is already open").arg(filePath));
        return;
    }
    if (path.isEmpty()) {
        os.setError(tr("No database file given"));
        return;
    }
    filePath = path;
    QFileInfo fi(path);
    bool isNew = false;
    if (!fi.exists()) {
        if (!create || readOnly) {
            os.setError(tr("Database file '%1' does not exist").arg(path));
            return;
        }
        if (!fi.absoluteDir().exists()) {
            os.setError(tr("Cannot create database '%1': folder '%2' does not exist").arg(path, fi.absolutePath()));
            return;
        }
        isNew = true;
        writable = true;
    } else if (!checkExistingFile(isNew, os)) {
        return;
    } else if (readOnly) {
        if (isNew) {
            os.setError(tr("Database file '%1' is empty, not a database").arg(path));
            return;
        }
        writable = false;
    }

    int flags = SQLITE_OPEN_NOMUTEX | (writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY);
    if (isNew) {
        flags |= SQLITE_OPEN_CREATE;
    }
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, flags, nullptr);
    if (rc != SQLITE_OK) {
        QString msg = handle != nullptr ? QString::fromUtf8(sqlite3_errmsg(handle)) : QString::fromUtf8(sqlite3_errstr(rc));
        os.setError(tr("Cannot open database '%1': %2").arg(path, msg));
        closeHandle();
        return;
    }
    sqlite3_extended_result_codes(handle, 1);
    sqlite3_busy_handler(handle, &SQLiteDbi::busyHandler, this);

    // Read-only checks first: a file that is refused is never written to.
    if (!isNew) {
        readHeaderPragmas(isNew, os);
        if (os.hasError()) {
            closeHandle();
            return;
        }
    }
    initTables(isNew, os);
    if (os.hasError()) {
        NxOpStatusImpl closeOs;
        close(closeOs);
    }
}

bool SQLiteDbi::checkExistingFile(bool& isNew, NxOpStatus& os) {
    QFileInfo fi(filePath);
    if (fi.isDir()) {
        os.setError(tr("Database path '%1' is a folder, not a file").arg(filePath));
        return false;
    }
    writable = fi.isWritable();
    if (fi.size() == 0) {
        // SQLite treats an empty file as an empty database: a placeholder made by the caller.
        isNew = writable;
        if (!writable) {
            os.setError(tr("Database file '%1' is empty and read-only").arg(filePath));
            return false;
        }
        return true;
    }
    QFile f(filePath);
    if (!f.open(QIODevice::ReadOnly)) {
        os.setError(tr("Cannot read database file '%1': %2").arg(filePath, f.errorString()));
        return false;
    }
    QByteArray header = f.read(16);
    if (header != QByteArray("SQLite format 3\0", 16)) {
        os.setError(tr("'%1' is not a database file").arg(filePath));
        return false;
    }
    return true;
}

void SQLiteDbi::readHeaderPragmas(bool& isNew, NxOpStatus& os) {
    qint64 appId = 0;
    qint64 version = 0;
    qint64 objects = 0;
    NxOpStatusImpl readOs;
    {
        SQLiteQuery q("PRAGMA application_id", this, false, readOs);
        appId = q.selectInt64();
    }
    {
        SQLiteQuery q("PRAGMA user_version", this, false, readOs);
        version = q.selectInt64();
    }
    {
        SQLiteQuery q("SELECT COUNT(*) FROM sqlite_master", this, false, readOs);
        objects = q.selectInt64();
    }
    if (readOs.hasError()) {
        // e.g. a damaged file whose first bytes still look like SQLite.
        os.setError(tr("Cannot read database '%1': %2").arg(filePath, readOs.getError()));
        return;
    }
    if (appId == 0 && version == 0 && objects == 0) {
        isNew = writable;
        if (!writable) {
            os.setError(tr("Database '%1' is empty and read-only").arg(filePath));
        }
        return;
    }
    if (appId != APPLICATION_ID) {
        os.setError(tr("'%1' is a SQLite file of another program, not a Nolix database").arg(filePath));
        return;
    }
    if (version != SCHEMA_VERSION) {
        os.setError(tr("Database '%1' has schema version %2; this program reads schema version %3 only")
                        .arg(filePath)
                        .arg(version)
                        .arg(SCHEMA_VERSION));
    }
}

void SQLiteDbi::initTables(bool isNew, NxOpStatus& os) {
    for (int k = 0; k < static_cast<int>(SQLiteTableKind::Count); ++k) {
        SQLiteTableRegistry::Factory f = SQLiteTableRegistry::getFactory(static_cast<SQLiteTableKind>(k));
        tables[k] = f ? f(this) : nullptr;
    }
    // A page cache per connection, and a run holds several of them (the report reads on every
    // processor with two connections each): 2 MB apiece keeps the whole run's memory small and
    // fixed. Larger caches were measured to gain nothing: passes walk tables in key order and the
    // operating system's file cache serves the pages read again.
    SQLiteQuery::exec("PRAGMA cache_size=-2048", this, os);
    if (!writable) {
        return;
    }
    // WAL is chosen once, when the file is made, and persists in it. An existing file keeps its
    // mode: a reference database built with a rollback journal must stay readable from a
    // read-only folder. WAL must be set outside a transaction; a file system without shared
    // memory keeps the rollback journal, which is slower but correct.
    if (isNew) {
        SQLiteQuery q("PRAGMA journal_mode=WAL", this, false, os);
        if (q.step() && q.getString(0).toLower() != "wal") {
            coreLog.details(QString("Database '%1' stays in journal mode %2").arg(filePath, q.getString(0)));
        }
    }
    SQLiteQuery::exec(isScratchFile(filePath) ? "PRAGMA synchronous=OFF; PRAGMA foreign_keys=ON;"
                                              : "PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON;",
                      this, os);
    // An existing file normally has every table already, so it needs no write lock.
    if (os.hasError() || !beginTransaction(os, isNew)) {
        return;
    }
    if (isNew) {
        SQLiteQuery::exec(QString("PRAGMA application_id=%1; PRAGMA user_version=%2;")
                              .arg(APPLICATION_ID)
                              .arg(SCHEMA_VERSION),
                          this, os);
    }
    for (SQLiteTable* t : tables) {
        if (t != nullptr && !os.hasError()) {
            t->initSqlSchema(os);
        }
    }
    endTransaction(os);
}

void SQLiteDbi::setRunState(RunState state, NxOpStatus& os) {
    SQLiteQuery::exec("CREATE TABLE IF NOT EXISTS RunInfo (key TEXT PRIMARY KEY, value TEXT NOT NULL)", this, os);
    SQLiteQuery q("INSERT OR REPLACE INTO RunInfo(key, value) VALUES('state', ?1)", this, false, os);
    q.bindString(1, runStateName(state));
    q.execute();
}

SQLiteDbi::RunState SQLiteDbi::getRunState(NxOpStatus& os) {
    if (!hasSqlTable("RunInfo", os)) {
        return RunState_Unknown;
    }
    SQLiteQuery q("SELECT value FROM RunInfo WHERE key = 'state'", this, false, os);
    const QString name = q.step() ? q.getString(0) : QString();
    for (RunState s : {RunState_Running, RunState_Finished, RunState_Failed}) {
        if (name == runStateName(s)) {
            return s;
        }
    }
    return RunState_Unknown;
}

QString SQLiteDbi::runStateName(RunState state) {
    switch (state) {
        case RunState_Running:
            return "running";
        case RunState_Finished:
            return "finished";
        case RunState_Failed:
            return "failed";
        default:
            return "unknown";
    }
}

bool SQLiteDbi::hasSqlTable(const QString& name, NxOpStatus& os) {
    SQLiteQuery q("SELECT COUNT(*) FROM sqlite_master WHERE name = ?1", this, false, os);
    q.bindString(1, name);
    return q.selectInt64() > 0 && !os.hasError();
}

void SQLiteDbi::close(NxOpStatus& os) {
    if (handle == nullptr) {
        return;
    }
    for (SQLiteTable* t : tables) {
        if (t != nullptr) {
            t->shutdown(os);
        }
    }
    if (transactionDepth > 0) {
        // Only reached when a caller forgot an end: keep the data rather than roll it back.
        transactionDepth = 1;
        endTransaction(os);
    }
    for (SQLiteTable*& t : tables) {
        delete t;
        t = nullptr;
    }
    closeHandle();
}

void SQLiteDbi::closeHandle() {
    for (sqlite3_stmt* s : statementCache) {
        sqlite3_finalize(s);
    }
    statementCache.clear();
    for (const LiteralStatement& s : qAsConst(literalCache)) {
        sqlite3_finalize(s.stmt);
    }
    literalCache.clear();
    if (handle != nullptr) {
        // _v2: statements still owned by live iterators keep the handle alive until finalized.
        sqlite3_close_v2(handle);
        handle = nullptr;
    }
    transactionDepth = 0;
}

bool SQLiteDbi::hasUncommittedWrites() const {
    return handle != nullptr && sqlite3_txn_state(handle, nullptr) == SQLITE_TXN_WRITE;
}

quint64 SQLiteDbi::getReadStamp() const {
    if (handle == nullptr || transactionDepth == 0) {
        return 0;
    }
    return (transactionSerial << 40) ^ quint64(sqlite3_total_changes64(handle));
}

bool SQLiteDbi::beginTransaction(NxOpStatus& os, bool immediate) {
    if (os.hasError()) {
        return false;
    }
    if (handle == nullptr) {
        os.setError(tr("Database is not open"));
        return false;
    }
    if (transactionDepth == 0) {
        ++transactionSerial;
        // IMMEDIATE takes the write lock now: a deferred transaction that reads first and writes
        // later fails when another thread committed in between.
        SQLiteQuery::exec(writable && immediate ? "BEGIN IMMEDIATE" : "BEGIN", this, os);
        if (os.hasError()) {
            return false;
        }
    }
    ++transactionDepth;
    return true;
}

void SQLiteDbi::endTransaction(NxOpStatus& os) {
    if (transactionDepth <= 0 || handle == nullptr) {
        return;
    }
    if (--transactionDepth > 0) {
        return;
    }
    // Commit even when os carries an error: what was written before it stays.
    NxOpStatusImpl commitOs;
    SQLiteQuery::exec("COMMIT", this, commitOs);
    if (commitOs.hasError()) {
        NxOpStatusImpl rollbackOs;
        SQLiteQuery::exec("ROLLBACK", this, rollbackOs);
        os.setError(tr("Cannot save changes to database '%1': %2").arg(filePath, commitOs.getError()));
        coreLog.error(commitOs.getError());
    }
}

sqlite3_stmt* SQLiteDbi::takeCachedStatement(const QString& sql) {
    return statementCache.take(sql);
}

void SQLiteDbi::returnCachedStatement(const QString& sql, sqlite3_stmt* stmt) {
    if (handle == nullptr || statementCache.contains(sql)) {
        sqlite3_finalize(stmt);
        return;
    }
    statementCache.insert(sql, stmt);
}

sqlite3_stmt* SQLiteDbi::takeCachedStatement(const char* sql) {
    auto it = literalCache.find(sql);
    if (it == literalCache.end() || it->stmt == nullptr || qstrcmp(it->text.constData(), sql) != 0) {
        return nullptr;
    }
    sqlite3_stmt* stmt = it->stmt;
    it->stmt = nullptr;
    return stmt;
}

void SQLiteDbi::returnCachedStatement(const char* sql, sqlite3_stmt* stmt) {
    if (handle == nullptr) {
        sqlite3_finalize(stmt);
        return;
    }
    auto it = literalCache.find(sql);
    if (it == literalCache.end()) {
        literalCache.insert(sql, LiteralStatement{QByteArray(sql), stmt});
        return;
    }
    if (it->stmt != nullptr) {
        sqlite3_finalize(stmt);  // another query of the same text came back first
        return;
    }
    if (qstrcmp(it->text.constData(), sql) != 0) {
        it->text = QByteArray(sql);  // the address now holds other SQL
    }
    it->stmt = stmt;
}

NxObjectDbi* SQLiteDbi::getObjectDbi() {
    return dynamic_cast<NxObjectDbi*>(getTable(SQLiteTableKind::Object));
}

NxSequenceDbi* SQLiteDbi::getSequenceDbi() {
    return dynamic_cast<NxSequenceDbi*>(getTable(SQLiteTableKind::Sequence));
}

NxFeatureDbi* SQLiteDbi::getFeatureDbi() {
    return dynamic_cast<NxFeatureDbi*>(getTable(SQLiteTableKind::Feature));
}

NxAttributeDbi* SQLiteDbi::getAttributeDbi() {
    return dynamic_cast<NxAttributeDbi*>(getTable(SQLiteTableKind::Attribute));
}

NxVariantDbi* SQLiteDbi::getVariantDbi() {
    return dynamic_cast<NxVariantDbi*>(getTable(SQLiteTableKind::Variant));
}

DamageEffectDbi* SQLiteDbi::getDamageEffectDbi() {
    return dynamic_cast<DamageEffectDbi*>(getTable(SQLiteTableKind::DamageEffect));
}

KnownMutationsDbi* SQLiteDbi::getKnownMutationsDbi() {
    return dynamic_cast<KnownMutationsDbi*>(getTable(SQLiteTableKind::KnownMutations));
}

}  // namespace Nx
