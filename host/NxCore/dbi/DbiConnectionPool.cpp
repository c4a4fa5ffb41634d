#include "DbiConnectionPool.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/sqlite/SQLiteDbi.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QPair>
#include <QThread>

namespace Nx {
namespace DbiConnectionPool {

namespace {

struct Entry {
    SQLiteDbi* dbi = nullptr;
    int users = 0;  // connections and blocks holding it
};

// Key of an entry: the opening thread and the file.
typedef QPair<quintptr, QString> EntryKey;

// One map for all threads, so that a connection destroyed on another thread than the one that
// opened it (a task's member, opened in run() and deleted by the scheduler) still releases its
// handle. Look-ups for opening always use the calling thread's id, so handles are not shared
// across threads.
struct Pool {
    QMutex lock;
    QHash<EntryKey, Entry> byKey;
    QHash<SQLiteDbi*, EntryKey> keyOf;
};

Pool& pool() {
    static Pool p;
    return p;
}

quintptr currentThreadKey() {
    return reinterpret_cast<quintptr>(QThread::currentThreadId());
}

QString tr(const char* text) {
    return QCoreApplication::translate("Nx::DbiConnection", text);
}

}  // namespace

QString poolKey(const QString& filePath) {
    QFileInfo fi(filePath);
    QString canonical = fi.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(fi.absoluteFilePath()) : canonical;
}

SQLiteDbi* acquire(const NxDbiRef& ref, bool create, NxOpStatus& os, bool readOnly) {
    if (os.hasError()) {
        return nullptr;
    }
    if (ref.dbiFactoryId != SQLITE_DBI_ID) {
        os.setError(tr("Unknown database kind '%1' for '%2'").arg(ref.dbiFactoryId, ref.dbiId));
        return nullptr;
    }
    if (ref.dbiId.isEmpty()) {
        os.setError(tr("No database file given"));
        return nullptr;
    }
    Pool& p = pool();
    quintptr thread = currentThreadKey();
    {
        QMutexLocker l(&p.lock);
        auto it = p.byKey.find(EntryKey(thread, poolKey(ref.dbiId)));
        if (it != p.byKey.end()) {
            it->users++;
            return it->dbi;
        }
    }
    // Opened outside the lock: opening may wait for another thread's write lock on the file.
    // Only this thread adds entries of this thread, so nobody can add the same one meanwhile.
    SQLiteDbi* dbi = new SQLiteDbi();
    dbi->open(ref.dbiId, create, os, readOnly);
    if (os.hasError()) {
        delete dbi;
        return nullptr;
    }
    Entry e;
    e.dbi = dbi;
    e.users = 1;
    // A created file now exists: key it by its canonical path like later look-ups will.
    EntryKey key(thread, poolKey(ref.dbiId));
    QMutexLocker l(&p.lock);
    p.byKey.insert(key, e);
    p.keyOf.insert(dbi, key);
    return dbi;
}

void release(SQLiteDbi* dbi, NxOpStatus& os) {
    if (dbi == nullptr) {
        return;
    }
    Pool& p = pool();
    {
        QMutexLocker l(&p.lock);
        auto k = p.keyOf.find(dbi);
        if (k == p.keyOf.end()) {
            return;  // not a pooled handle
        }
        auto it = p.byKey.find(k.value());
        if (--it->users > 0) {
            return;
        }
        p.byKey.erase(it);
        p.keyOf.erase(k);
    }
    dbi->close(os);
    delete dbi;
}

int openDatabaseCount() {
    Pool& p = pool();
    QMutexLocker l(&p.lock);
    quintptr thread = currentThreadKey();
    int n = 0;
    for (auto it = p.byKey.constBegin(); it != p.byKey.constEnd(); ++it) {
        if (it.key().first == thread) ++n;
    }
    return n;
}

}  // namespace DbiConnectionPool
}  // namespace Nx
