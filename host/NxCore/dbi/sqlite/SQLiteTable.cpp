#include "SQLiteTable.h"

#include <QMutex>

namespace Nx {
namespace SQLiteTableRegistry {

namespace {
struct Registry {
    QMutex lock;
    Factory factories[static_cast<int>(SQLiteTableKind::Count)];
};

// Function-local so that registrations from static initialisers of other files find it built.
Registry& registry() {
    static Registry r;
    return r;
}
}  // namespace

bool registerTable(SQLiteTableKind kind, const Factory& factory) {
    Registry& r = registry();
    QMutexLocker l(&r.lock);
    r.factories[static_cast<int>(kind)] = factory;
    return true;
}

Factory getFactory(SQLiteTableKind kind) {
    Registry& r = registry();
    QMutexLocker l(&r.lock);
    return r.factories[static_cast<int>(kind)];
}

}  // namespace SQLiteTableRegistry
}  // namespace Nx
