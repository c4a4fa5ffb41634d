// What the request tests share: the application object, a workflow database with tracks, and
// Python scripts written into a temporary folder laid out like the suite's data folder.
#pragma once

#include <NxCore/records/NxDbiRef.h>
#include <NxCore/records/NxVariant.h>

#include <QList>
#include <QMap>
#include <QString>
#include <QTemporaryDir>

namespace Nx {
namespace RequestTestSupport {

void ensureApplication();

// <tmp>/data/snp_scripts/ for scripts (<tmp>/data becomes the suite's data folder, NX_DATA_DIR),
// <tmp>/work/bin as the program's working directory, and <tmp>/session.s3db as the workflow
// database.
class Sandbox {
public:
    Sandbox();
    QString writeScript(const QString& name, const QString& body);
    NxVariantTrack addTrack(QList<NxVariant>& variants, const QString& sequenceName = "chr1");
    // Every string attribute of the variation: name -> value.
    QMap<QString, QString> attributes(const NxDataId& variantId);
    int attributeCount();

    QTemporaryDir dir;
    QString workingDirectory;
    NxDbiRef sessionRef;
};

NxVariant snv(qint64 pos, const QByteArray& ref, const QByteArray& obs);

}  // namespace RequestTestSupport
}  // namespace Nx
