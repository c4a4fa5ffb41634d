// A reference database for the TATA-box tests: chromosome "chr5" of SEQUENCE_LENGTH bases of
// GC-rich background (no TATA-like stretch of its own), with a strong TATA box planted in the
// promoter window of FWD1, and a workflow database for the tracks.
//
//   FWD1  direct      [1000, 1200)  window [930, 980), TATA box "TATAAAAG" at 945..952
//   REV1  complement  [1600, 2100)  window [2120, 2170)
//   NEAR  direct      [50, 300)     no window (fewer than 70 bases before it)
//   FWD2  direct      [2600, 2800)  window [2530, 2580)
//   REV2  complement  [2300, 2490)  window [2510, 2560); overlaps FWD2's in [2530, 2560)
#pragma once

#include <NxCore/records/NxDbiRef.h>
#include <NxCore/records/NxVariant.h>

#include <QMap>
#include <QTemporaryDir>

namespace Nx {
namespace TataTestGenome {

const qint64 SEQUENCE_LENGTH = 3000;
const qint64 TATA_START = 945;
const QByteArray TATA_BOX = "TATAAAAG";

void ensureApplication();

// The background letters, the same in every run.
QByteArray chromosome();

class Databases {
public:
    Databases();
    bool build(QString& error);
    // A track of the variations (their ids are set); sequenceId may be left empty.
    NxVariantTrack addTrack(QList<NxVariant>& variants, const QString& sequenceName, const NxDataId& sequenceId = NxDataId());
    QMap<QString, QString> attributes(const NxDataId& variantId);

    QTemporaryDir dir;
    QString referencePath;
    NxDbiRef sessionRef;
    NxDataId chr5;
};

NxVariant snv(qint64 pos, char obs);

}  // namespace TataTestGenome
}  // namespace Nx
