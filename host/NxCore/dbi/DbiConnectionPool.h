// Pool of open databases, keyed by the opening thread and the database file. Connections and
// operations blocks of one thread on one file share a handle, so a block's transaction covers the
// writes made through any connection of that thread; the handle closes when its last user
// releases it (from whichever thread). Another thread opening the same file gets a handle of its
// own, so a handle is never used by two threads at once.
#pragma once

#include <NxCore/records/NxDbiRef.h>

namespace Nx {

class NxOpStatus;
class SQLiteDbi;

namespace DbiConnectionPool {

// The open database of this thread for ref (opened, or created when create is set, on first use);
// null and an error when it cannot be opened. With readOnly a first opening is read-only; a
// database this thread already holds is handed out as it was opened.
SQLiteDbi* acquire(const NxDbiRef& ref, bool create, NxOpStatus& os, bool readOnly = false);
// Gives back one use; the last one closes the database. May be called on any thread, as long as
// the opening thread no longer uses the handle.
void release(SQLiteDbi* dbi, NxOpStatus& os);
// Number of databases this thread holds open.
int openDatabaseCount();
// The key under which a file is pooled: its absolute, cleaned (and, when it exists, canonical) path.
QString poolKey(const QString& filePath);

}  // namespace DbiConnectionPool

}  // namespace Nx
