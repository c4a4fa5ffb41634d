// Names a database: the factory that opens it ("sqlite") and the database id (the file path).
#pragma once

#include <QString>
#include <QMetaType>

namespace Nx {

struct NxDbiRef {
    QString dbiFactoryId;
    QString dbiId;

    NxDbiRef() = default;
    NxDbiRef(const QString& factory, const QString& id) : dbiFactoryId(factory), dbiId(id) {}

    bool isValid() const { return !dbiFactoryId.isEmpty() && !dbiId.isEmpty(); }
    bool operator==(const NxDbiRef& o) const { return dbiFactoryId == o.dbiFactoryId && dbiId == o.dbiId; }
    bool operator!=(const NxDbiRef& o) const { return !(*this == o); }
};

inline uint qHash(const NxDbiRef& r, uint seed = 0) { return qHash(r.dbiFactoryId + '|' + r.dbiId, seed); }

const char* const SQLITE_DBI_ID = "sqlite";

}  // namespace Nx

Q_DECLARE_METATYPE(Nx::NxDbiRef)
