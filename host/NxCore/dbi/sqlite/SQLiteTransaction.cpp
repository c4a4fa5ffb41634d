#include "SQLiteTransaction.h"

#include "SQLiteDbi.h"

namespace Nx {

SQLiteTransaction::SQLiteTransaction(SQLiteDbi* db, NxOpStatus& os)
    : db(db), os(os), started(db != nullptr && db->beginTransaction(os)) {
}

SQLiteTransaction::~SQLiteTransaction() {
    if (started) {
        db->endTransaction(os);
    }
}

}  // namespace Nx
