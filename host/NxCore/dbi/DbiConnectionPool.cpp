#include "DbiConnectionPool.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/sqlite/SQLiteDbi.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace Nx {
namespace DbiConnectionPool {

namespace {

struct Entry {
    SQLiteDbi* dbi = nullptr;
    int users = 0;  // connections and blocks of this thread holding it
};

struct Pool {
    QHash<QString, Entry> byKey;
    QHash<SQLiteDbi*, QString> keyOf;

    ~Pool() {
        // A thread that ends with handles still held: close them so the file stays consistent.
        for (const Entry& e : byKey) {
            NxOpStatus2Log os;
            e.dbi->close(os);
            delete e.dbi;
        }
    }
};

Pool& pool() {
    thread_local Pool p;
    return p;
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

SQLiteDbi* acquire(const NxDbiRef& ref, bool create, NxOpStatus& os) {
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
    QString key = poolKey(ref.dbiId);
    auto it = p.byKey.find(key);
    if (it != p.byKey.end()) {
        it->users++;
        return it->dbi;
    }
    SQLiteDbi* dbi = new SQLiteDbi();
    dbi->open(ref.dbiId, create, os);
    if (os.hasError()) {
        delete dbi;
        return nullptr;
    }
    Entry e;
    e.dbi = dbi;
    e.users = 1;
    // A created file now exists: key it by its canonical path like later look-ups will.
    key = poolKey(ref.dbiId);
    p.byKey.insert(key, e);
    p.keyOf.insert(dbi, key);
    return dbi;
}

void release(SQLiteDbi* dbi, NxOpStatus& os) {
    if (dbi == nullptr) {
        return;
    }
    Pool& p = pool();
    auto k = p.keyOf.find(dbi);
    if (k == p.keyOf.end()) {
        return;  // not this thread's handle: never close it from here
    }
    auto it = p.byKey.find(k.value());
    if (--it->users > 0) {
        return;
    }
    p.byKey.erase(it);
    p.keyOf.erase(k);
    dbi->close(os);
    delete dbi;
}

int openDatabaseCount() {
    return pool().byKey.size();
}

}  // namespace DbiConnectionPool
}  // namespace Nx
