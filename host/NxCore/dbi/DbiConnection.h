// A connection of the current thread to a database named by an NxDbiRef (factory "sqlite",
// database id = file path). Connections of one thread to one file share a pooled handle (see
// DbiConnectionPool), so an operations block of that thread covers their writes; a connection
// must be used and closed on the thread that opened it.
#pragma once

#include <NxCore/dbi/NxDbi.h>
#include <NxCore/records/NxDbiRef.h>

namespace Nx {

class NxOpStatus;

class DbiConnection {
public:
    DbiConnection() = default;
    // Opens an existing database, or creates the file when it does not exist.
    DbiConnection(const NxDbiRef& ref, NxOpStatus& os);
    // With create = false a missing file is an error.
    DbiConnection(const NxDbiRef& ref, bool create, NxOpStatus& os);
    ~DbiConnection();

    DbiConnection(const DbiConnection&) = delete;
    DbiConnection& operator=(const DbiConnection&) = delete;

    // Closes what was open, then opens ref; dbi stays null on error.
    void open(const NxDbiRef& ref, bool create, NxOpStatus& os);
    // Opens an existing database for reading only (see SQLiteDbi::open).
    void openReadOnly(const NxDbiRef& ref, NxOpStatus& os);
    bool isOpen() const { return dbi != nullptr; }
    void close(NxOpStatus& os);

    NxDbi* dbi = nullptr;  // the open database and its tables; null when not open
};

}  // namespace Nx
