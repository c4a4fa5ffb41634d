// Scoped nested transaction on a SQLiteDbi, for table code that writes many rows: inside a
// caller's DbiOperationsBlock it is free, alone it turns a batch into one commit.
#pragma once

namespace Nx {

class NxOpStatus;
class SQLiteDbi;

class SQLiteTransaction {
public:
    SQLiteTransaction(SQLiteDbi* db, NxOpStatus& os);
    ~SQLiteTransaction();

    SQLiteTransaction(const SQLiteTransaction&) = delete;
    SQLiteTransaction& operator=(const SQLiteTransaction&) = delete;

private:
    SQLiteDbi* db;
    NxOpStatus& os;
    bool started;  // false when begin failed: then there is nothing to end
};

}  // namespace Nx
