#include "SQLiteUtils.h"

#include <NxCore/core/NxOpStatus.h>

#include <QCoreApplication>

namespace Nx {
namespace SQLiteUtils {

NxDataId toDbiId(qint64 rowId, NxDataType type) {
    NxDataId id(ID_SIZE, Qt::Uninitialized);
    char* d = id.data();
    quint64 v = static_cast<quint64>(rowId);
    for (int i = 7; i >= 0; --i) {
        d[i] = static_cast<char>(v & 0xFF);
        v >>= 8;
    }
    d[8] = static_cast<char>((type >> 8) & 0xFF);
    d[9] = static_cast<char>(type & 0xFF);
    return id;
}

bool isWellFormed(const NxDataId& id) {
    return id.size() == ID_SIZE;
}

qint64 toDbRef(const NxDataId& id) {
    if (!isWellFormed(id)) {
        return -1;
    }
    const char* d = id.constData();
    quint64 v = 0;
    for (int i = 0; i < 8; ++i) {
        v = (v << 8) | static_cast<quint8>(d[i]);
    }
    return static_cast<qint64>(v);
}

NxDataType toType(const NxDataId& id) {
    if (!isWellFormed(id)) {
        return NxObjectTypes::Unknown;
    }
    return static_cast<NxDataType>((static_cast<quint8>(id[8]) << 8) | static_cast<quint8>(id[9]));
}

qint64 toDbRef(const NxDataId& id, NxDataType expectedType, NxOpStatus& os) {
    if (!isWellFormed(id)) {
        os.setError(QCoreApplication::translate("Nx::SQLiteUtils", "Invalid database identifier: '%1'")
                        .arg(QString::fromLatin1(id.toHex())));
        return -1;
    }
    NxDataType type = toType(id);
    if (type != expectedType) {
        os.setError(QCoreApplication::translate("Nx::SQLiteUtils",
                                                "Database identifier '%1' is of type %2, expected type %3")
                        .arg(QString::fromLatin1(id.toHex()))
                        .arg(type)
                        .arg(expectedType));
        return -1;
    }
    return toDbRef(id);
}

}  // namespace SQLiteUtils
}  // namespace Nx
