#include "RequestTestSupport.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/NxAttributeDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/dbi/sqlite/SQLiteDbi.h>
#include <NxCore/dbi/sqlite/SQLiteQuery.h>
#include <NxPrivate/core/AppContextImpl.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace Nx {
namespace RequestTestSupport {

void ensureApplication() {
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "request_test";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv);
    }
    AppContextImpl::getApplicationContext();
}

Sandbox::Sandbox() {
    QDir(dir.path()).mkpath("data/snp_scripts");
    QDir(dir.path()).mkpath("work/bin");
    workingDirectory = dir.filePath("work/bin");
    // Scripts are found through the suite's data folder, wherever the program runs from.
    qputenv("NX_DATA_DIR", QFile::encodeName(dir.filePath("data")));
    sessionRef = NxDbiRef(SQLITE_DBI_ID, dir.filePath("session.s3db"));
}

QString Sandbox::writeScript(const QString& name, const QString& body) {
    const QString path = dir.filePath("data/snp_scripts/" + name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(body.toUtf8());
    return path;
}

NxVariantTrack Sandbox::addTrack(QList<NxVariant>& variants, const QString& sequenceName) {
    NxOpStatusImpl os;
    DbiConnection con(sessionRef, true, os);
    NxVariantTrack track;
    track.visualName = sequenceName;
    track.sequenceName = sequenceName;
    con.dbi->getVariantDbi()->createVariantTrack(track, os);
    con.dbi->getVariantDbi()->addVariantsToTrack(track, variants, os);
    return track;
}

QMap<QString, QString> Sandbox::attributes(const NxDataId& variantId) {
    NxOpStatusImpl os;
    DbiConnection con(sessionRef, false, os);
    QMap<QString, QString> res;
    if (con.dbi == nullptr) {
        return res;
    }
    NxAttributeDbi* attributeDbi = con.dbi->getAttributeDbi();
    for (const NxDataId& id : attributeDbi->getObjectAttributes(variantId, QString(), os)) {
        NxStringAttribute a = attributeDbi->getStringAttribute(id, os);
        res[a.name] = a.value;
    }
    return res;
}

int Sandbox::attributeCount() {
    NxOpStatusImpl os;
    DbiConnection con(sessionRef, false, os);
    auto* db = dynamic_cast<SQLiteDbi*>(con.dbi);
    if (db == nullptr) {
        return -1;
    }
    SQLiteQuery q("SELECT count(*) FROM Attribute", db, os);
    return q.step() ? int(q.getInt64(0)) : -1;
}

NxVariant snv(qint64 pos, const QByteArray& ref, const QByteArray& obs) {
    NxVariant v;
    v.startPos = pos;
    v.endPos = pos + 1;
    v.refData = ref;
    v.obsData = obs;
    return v;
}

}  // namespace RequestTestSupport
}  // namespace Nx
