// Base of every table of a SQLiteDbi, and the registry that lets a new table join the database
// without an edit of SQLiteDbi: the table's .cpp file registers a factory for its kind with
//     NX_REGISTER_SQLITE_TABLE(SQLiteTableKind::Sequence, SQLiteSequenceDbi)
// and SQLiteDbi then creates it at open, calls initSqlSchema (CREATE ... IF NOT EXISTS) inside the
// opening transaction, and hands it out from the matching getter (getSequenceDbi).
// The table class derives from SQLiteTable and from its interface (NxSequenceDbi).
#pragma once

#include <functional>

namespace Nx {

class NxOpStatus;
class SQLiteDbi;

// One kind per table getter of NxDbi; schemas are created in this order.
enum class SQLiteTableKind { Object = 0, Attribute, Variant, Sequence, Feature, KnownMutations, DamageEffect, Count };

class SQLiteTable {
public:
    explicit SQLiteTable(SQLiteDbi* db) : db(db) {}
    virtual ~SQLiteTable() = default;

    // Creates the table's tables and indexes when missing; runs inside a transaction at open.
    virtual void initSqlSchema(NxOpStatus& os) = 0;
    // Called before the database closes: write out what is buffered.
    virtual void shutdown(NxOpStatus& os) {}

protected:
    SQLiteDbi* db;  // owner; outlives the table
};

namespace SQLiteTableRegistry {
using Factory = std::function<SQLiteTable*(SQLiteDbi*)>;
// Returns true so that it can initialise a static.
bool registerTable(SQLiteTableKind kind, const Factory& factory);
Factory getFactory(SQLiteTableKind kind);
}  // namespace SQLiteTableRegistry

}  // namespace Nx

#define NX_REGISTER_SQLITE_TABLE(KIND, CLASS)                                                    \
    namespace {                                                                                  \
    const bool nxSqliteTableRegistered_##CLASS = Nx::SQLiteTableRegistry::registerTable(         \
        KIND, [](Nx::SQLiteDbi* db) -> Nx::SQLiteTable* { return new CLASS(db); });              \
    }
