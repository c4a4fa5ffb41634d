// The remote databases whose entries the suite downloads ("PDB" and "ENSEMBL"): what an
// identifier of each looks like, where an entry is fetched from and under which file name it is
// stored. Base addresses, the time-out and the size limit come from the environment first, then
// the user settings, then the defaults:
//   NX_PDB_URL / "remote_databases/PDB/base_url"          https://files.rcsb.org/download
//   NX_ENSEMBL_URL / "remote_databases/ENSEMBL/base_url"  https://rest.ensembl.org
//   NX_DOWNLOAD_TIMEOUT_MS / "remote_databases/timeout_ms"  60000
//   NX_DOWNLOAD_MAX_BYTES / "remote_databases/max_bytes"    268435456 (256 MiB)
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

namespace Nx {

class NxOpStatus;

class RemoteDBRegistry {
public:
    static const QString PDB;
    static const QString ENSEMBL;

    static QStringList getDatabaseNames() { return {PDB, ENSEMBL}; }
    static bool isKnownDatabase(const QString& dbName) { return getDatabaseNames().contains(dbName); }

    // Only public identifiers pass. PDB: four characters beginning with a digit (1crn), or the
    // extended form "pdb_" + eight characters ending in such a code (pdb_00001crn). Ensembl: a
    // stable identifier: "ENS", an optional species code, a feature letter (E, G, P, R,
    // T), eleven digits and an optional ".version" (ENSG00000139618, ENSMUST00000000001.4).
    static bool isValidAccession(const QString& dbName, const QString& accession);

    // The http(s) base address of the database (without a trailing '/'); empty with an error
    // in os when the configured one is no http(s) address.
    static QString getBaseUrl(const QString& dbName, NxOpStatus& os);
    // The address of one entry; invalid with an error in os for a bad database or identifier.
    static QUrl getEntryUrl(const QString& dbName, const QString& accession, NxOpStatus& os);
    // The name of the local file of an entry, built from the identifier only ("1crn.pdb",
    // "ENSG00000139618.fa"); empty for an identifier that is not valid.
    static QString getEntryFileName(const QString& dbName, const QString& accession);

    static int getTimeoutMs();
    static qint64 getMaxDownloadBytes();
};

}  // namespace Nx
