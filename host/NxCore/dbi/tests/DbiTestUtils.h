// Shared by the database tests: a session file in a fresh temporary folder, and reads of the
// file through a plain sqlite3 handle of its own, to see what was really committed.
#pragma once

#include <NxCore/records/NxDbiRef.h>
#include <NxCore/records/NxVariant.h>

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace Nx {
namespace DbiTestUtils {

NxDbiRef refOf(const QString& path);
// Bytes of a file, for "left exactly as it was" checks.
QByteArray fileBytes(const QString& path);
// Runs one integer query through an independent handle; -1 when it fails.
qint64 rawSelectInt(const QString& path, const QString& sql);
void rawExec(const QString& path, const QString& sql);
NxVariant variant(qint64 start, const QByteArray& ref, const QByteArray& obs, const QString& publicId = QString());

}  // namespace DbiTestUtils
}  // namespace Nx

// A variation-like id for attribute tests.
inline Nx::NxDataId SQLiteTestId(int i) {
    return Nx::NxDataId("var-") + QByteArray::number(i);
}
