#include "SQLiteUtils.h"

#include <NxCore/core/NxOpStatus.h>

#include <QCoreApplication>
#include <QtEndian>

namespace Nx {
namespace SQLiteUtils {

NxDataId toDbiId(qint64 rowId, NxDataType type) {
    NxDataId id(ID_SIZE, Qt::Uninitialized);
    char* d = id.data();
    qToBigEndian(static_cast<quint64>(rowId), d);
    qToBigEndian(static_cast<quint16>(type), d + 8);
    return id;
}

bool isWellFormed(const NxDataId& id) {
    return id.size() == ID_SIZE;
}

qint64 toDbRef(const NxDataId& id) {
    if (!isWellFormed(id)) {
        return -1;
    }
    return static_cast<qint64>(qFromBigEndian<quint64>(id.constData()));
}

NxDataType toType(const NxDataId& id) {
    if (!isWellFormed(id)) {
        return NxObjectTypes::Unknown;
    }
    return static_cast<NxDataType>(qFromBigEndian<quint16>(id.constData() + 8));
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
