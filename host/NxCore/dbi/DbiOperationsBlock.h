// A transaction on this thread's connection to a database, held from construction until the
// block is destroyed. Blocks nest; the outermost one commits, also after an error, so work done
// before the error is kept. Writes through any DbiConnection of the same thread to the same file
// fall inside the block. os must outlive the block: a failed commit is reported there.
#pragma once

#include <NxCore/records/NxDbiRef.h>

namespace Nx {

class NxOpStatus;
class SQLiteDbi;

class DbiOperationsBlock {
public:
    // With write = false the transaction only reads: it takes no write lock, so readers of a
    // shared database (the reference) never make each other wait.
    DbiOperationsBlock(const NxDbiRef& ref, NxOpStatus& os, bool write = true);
    ~DbiOperationsBlock();

    DbiOperationsBlock(const DbiOperationsBlock&) = delete;
    DbiOperationsBlock& operator=(const DbiOperationsBlock&) = delete;

    bool isActive() const { return started; }

private:
    SQLiteDbi* dbi = nullptr;  // pooled database, held while the block lives
    NxOpStatus& os;
    bool started = false;      // the transaction was begun and must be ended
};

}  // namespace Nx
