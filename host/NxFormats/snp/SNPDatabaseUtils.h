// Opening the reference database ("db_path") and finding its sequences by chromosome name.
#pragma once

#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/records/NxEntity.h>

#include <QString>

namespace Nx {

class NxObjectDbi;
class NxOpStatus;

// An opened reference database; owns its connection, which closes when the object is deleted.
class SNPDatabase {
public:
    explicit SNPDatabase(const QString& path) : path(path) {}
    DbiConnection& getConnection() { return connection; }
    NxDbi* getDbi() const { return connection.dbi; }
    NxDbiRef getDbiRef() const { return NxDbiRef(SQLITE_DBI_ID, path); }
    const QString& getPath() const { return path; }

private:
    QString path;
    DbiConnection connection;
};

class SNPDatabaseUtils {
public:
    // A new database object the caller deletes, or nullptr (with an "Input/Output" error log line
    // naming the file and the reason) for a missing or empty file, a file that is no SQLite database, a
    // database of another program or schema version, or one without the reference tables. A
    // missing file is never created.
    static SNPDatabase* openDatabase(const QString& path);
    // The same without the log line: the reason goes to os ("no such file", "not a reference
    // database ...").
    static SNPDatabase* openDatabase(const QString& path, NxOpStatus& os);
    // The sequence object whose visible name is sequenceName; "chr1" also finds "1" and "1"
    // also finds "chr1" (an exact match wins). Empty when there is none or objectDbi is null.
    static NxDataId getSequenceId(const QString& sequenceName, NxObjectDbi* objectDbi);
};

}  // namespace Nx
