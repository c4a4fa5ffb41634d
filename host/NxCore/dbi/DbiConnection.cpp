#include "DbiConnection.h"

#include "DbiConnectionPool.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/sqlite/SQLiteDbi.h>

namespace Nx {

DbiConnection::DbiConnection(const NxDbiRef& ref, NxOpStatus& os) {
    open(ref, true, os);
}

DbiConnection::DbiConnection(const NxDbiRef& ref, bool create, NxOpStatus& os) {
    open(ref, create, os);
}

DbiConnection::~DbiConnection() {
    NxOpStatus2Log os;
    close(os);
}

void DbiConnection::open(const NxDbiRef& ref, bool create, NxOpStatus& os) {
    if (dbi != nullptr) {
        NxOpStatus2Log closeOs;
        close(closeOs);
    }
    dbi = DbiConnectionPool::acquire(ref, create, os);
}

void DbiConnection::openReadOnly(const NxDbiRef& ref, NxOpStatus& os) {
    if (dbi != nullptr) {
        NxOpStatus2Log closeOs;
        close(closeOs);
    }
    dbi = DbiConnectionPool::acquire(ref, false, os, true);
}

void DbiConnection::close(NxOpStatus& os) {
    if (dbi == nullptr) {
        return;
    }
    SQLiteDbi* sqliteDbi = static_cast<SQLiteDbi*>(dbi);
    dbi = nullptr;
    DbiConnectionPool::release(sqliteDbi, os);
}

}  // namespace Nx
