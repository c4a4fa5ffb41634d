#include "TataTestGenome.h"

#include "../../tests/TestReference.h"

#include <NxCore/core/NxOpStatus.h>
#include <NxCore/dbi/DbiConnection.h>
#include <NxCore/dbi/DbiOperationsBlock.h>
#include <NxCore/dbi/NxAttributeDbi.h>
#include <NxCore/dbi/NxSequenceDbi.h>
#include <NxCore/dbi/NxVariantDbi.h>
#include <NxCore/dbi/sqlite/SQLiteFeatureDbi.h>
#include <NxCore/records/Gene.h>
#include <NxPrivate/core/AppContextImpl.h>

#include <QCoreApplication>

namespace Nx {
namespace TataTestGenome {

void ensureApplication() {
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "tata_test";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv);
    }
    AppContextImpl::getApplicationContext();
}

QByteArray chromosome() {
    // A repeat of GC-rich words: no T-A step, so no background window looks like a TATA box.
    const QByteArray word = "GCCGAGCGGCTCCGCAGGCGCCGCCGGCGC";
    QByteArray s;
    while (s.size() < SEQUENCE_LENGTH) {
        s += word;
    }
    s.truncate(SEQUENCE_LENGTH);
    s.replace(int(TATA_START), TATA_BOX.size(), TATA_BOX);
    return s;
}

Databases::Databases() {
    referencePath = dir.filePath("reference.s3db");
    sessionRef = NxDbiRef(SQLITE_DBI_ID, dir.filePath("session.s3db"));
}

bool Databases::build(QString& error) {
    return writeTestReference(referencePath, "chr5", chromosome(),
                              [](SQLiteFeatureDbi* features, const NxDataId& seqId, NxOpStatus& os) {
                                  auto gene = [&](const char* id, qint64 start, qint64 end, bool complement) {
                                      const NxRegion r(start, end - start);
                                      features->createGene(Gene(id, id, r, NxRegion(), {r}, false, complement), seqId, {}, os);
                                  };
                                  gene("FWD1", 1000, 1200, false);
                                  gene("REV1", 1600, 2100, true);
                                  gene("NEAR", 50, 300, false);
                                  gene("FWD2", 2600, 2800, false);
                                  gene("REV2", 2300, 2490, true);
                              },
                              error, &chr5);
}

NxVariantTrack Databases::addTrack(QList<NxVariant>& variants, const QString& sequenceName, const NxDataId& sequenceId) {
    NxOpStatusImpl os;
    DbiConnection con(sessionRef, true, os);
    NxVariantTrack track;
    track.visualName = sequenceName;
    track.sequenceName = sequenceName;
    track.sequence = sequenceId;
    con.dbi->getVariantDbi()->createVariantTrack(track, os);
    con.dbi->getVariantDbi()->addVariantsToTrack(track, variants, os);
    return track;
}

QMap<QString, QString> Databases::attributes(const NxDataId& variantId) {
    NxOpStatusImpl os;
    DbiConnection con(sessionRef, false, os);
    QMap<QString, QString> res;
    NxAttributeDbi* a = con.dbi != nullptr ? con.dbi->getAttributeDbi() : nullptr;
    if (a == nullptr) {
        return res;
    }
    for (const NxDataId& id : a->getObjectAttributes(variantId, QString(), os)) {
        const NxStringAttribute s = a->getStringAttribute(id, os);
        res[s.name] = s.value;
    }
    return res;
}

NxVariant snv(qint64 pos, char obs) {
    NxVariant v;
    v.startPos = pos;
    v.endPos = pos + 1;
    v.refData = chromosome().mid(int(pos), 1);
    v.obsData = QByteArray(1, obs);
    return v;
}

}  // namespace TataTestGenome
}  // namespace Nx
