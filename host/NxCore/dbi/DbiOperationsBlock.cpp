#include "DbiOperationsBlock.h"

#include "DbiConnectionPool.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/sqlite/SQLiteDbi.h>

namespace Nx {

DbiOperationsBlock::DbiOperationsBlock(const NxDbiRef& ref, NxOpStatus& os, bool write) : os(os) {
    // A block names a database that is meant to exist: a mistyped path must not create a file.
    dbi = DbiConnectionPool::acquire(ref, false, os);
    if (dbi == nullptr) {
        return;
    }
    started = dbi->beginTransaction(os, write);
}

DbiOperationsBlock::~DbiOperationsBlock() {
    if (dbi == nullptr) {
        return;
    }
    if (started) {
        dbi->endTransaction(os);
    }
    DbiConnectionPool::release(dbi, os);
}

}  // namespace Nx
