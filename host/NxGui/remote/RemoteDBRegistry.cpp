#include "RemoteDBRegistry.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/settings/ConfiguredValue.h>

#include <QObject>
#include <QRegularExpression>

namespace Nx {

const QString RemoteDBRegistry::PDB = "PDB";
const QString RemoteDBRegistry::ENSEMBL = "ENSEMBL";

namespace {

const QRegularExpression& pdbRx() {
    static const QRegularExpression rx("\\A(?:[0-9][A-Za-z0-9]{3}|pdb_[0-9]{4}[0-9][A-Za-z0-9]{3})\\z");
    return rx;
}

const QRegularExpression& ensemblRx() {
    static const QRegularExpression rx("\\AENS(?:[A-Z]{3,6})?[EGPRT][0-9]{11}(?:\\.[0-9]{1,4})?\\z");
    return rx;
}

}  // namespace

bool RemoteDBRegistry::isValidAccession(const QString& dbName, const QString& accession) {
    if (dbName == PDB) {
        return pdbRx().match(accession).hasMatch();
    }
    if (dbName == ENSEMBL) {
        return ensemblRx().match(accession).hasMatch();
    }
    return false;
}

QString RemoteDBRegistry::getBaseUrl(const QString& dbName, NxOpStatus& os) {
    QString url;
    QString source;
    if (dbName == PDB) {
        url = configuredValue("NX_PDB_URL", "remote_databases/PDB/base_url", "https://files.rcsb.org/download");
    } else if (dbName == ENSEMBL) {
        url = configuredValue("NX_ENSEMBL_URL", "remote_databases/ENSEMBL/base_url", "https://rest.ensembl.org");
    } else {
        os.setError(QObject::tr("Unknown remote database '%1' (known: %2)").arg(dbName.left(40), getDatabaseNames().join(", ")));
        return QString();
    }
    QUrl u(url, QUrl::StrictMode);
    if (!u.isValid() || (u.scheme() != "http" && u.scheme() != "https") || u.host().isEmpty()) {
        os.setError(QObject::tr("The base address of %1 is not an http(s) address: %2").arg(dbName, url));
        return QString();
    }
    while (url.endsWith('/')) {
        url.chop(1);
    }
    return url;
}

QUrl RemoteDBRegistry::getEntryUrl(const QString& dbName, const QString& accession, NxOpStatus& os) {
    if (!isKnownDatabase(dbName)) {
        os.setError(QObject::tr("Unknown remote database '%1' (known: %2)").arg(dbName.left(40), getDatabaseNames().join(", ")));
        return QUrl();
    }
    if (!isValidAccession(dbName, accession)) {
        os.setError(QObject::tr("'%1' is not a valid %2 identifier").arg(accession.left(40), dbName));
        return QUrl();
    }
    QString base = getBaseUrl(dbName, os);
    if (os.hasError()) {
        return QUrl();
    }
    if (dbName == PDB) {
        // Extended identifiers of classic entries (pdb_0000xxxx) are served under the classic code.
        QString code = accession.startsWith("pdb_0000") ? accession.mid(8) : accession;
        QString file = code.startsWith("pdb_") ? code.toLower() + ".cif" : code.toUpper() + ".pdb";
        return QUrl(base + "/" + file);
    }
    return QUrl(base + "/sequence/id/" + accession + "?content-type=text/x-fasta");
}

QString RemoteDBRegistry::getEntryFileName(const QString& dbName, const QString& accession) {
    if (!isValidAccession(dbName, accession)) {
        return QString();
    }
    if (dbName == PDB) {
        QString code = accession.startsWith("pdb_0000") ? accession.mid(8) : accession;
        return code.startsWith("pdb_") ? code.toLower() + ".cif" : code.toLower() + ".pdb";
    }
    return accession + ".fa";
}

int RemoteDBRegistry::getTimeoutMs() {
    bool ok = false;
    int v = configuredValue("NX_DOWNLOAD_TIMEOUT_MS", "remote_databases/timeout_ms", "60000").toInt(&ok);
    return ok && v > 0 ? v : 60000;
}

qint64 RemoteDBRegistry::getMaxDownloadBytes() {
    bool ok = false;
    qint64 v = configuredValue("NX_DOWNLOAD_MAX_BYTES", "remote_databases/max_bytes", "268435456").toLongLong(&ok);
    return ok && v > 0 ? v : 268435456LL;
}

}  // namespace Nx
