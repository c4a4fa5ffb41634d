#include "LocationParser.h"

#include <QStringList>

#include <limits>

namespace Nx {
namespace Genbank {

namespace {

QString regionText(const NxRegion& r) {
    if (r.length == 0) {
        return QString("%1^%2").arg(r.startPos).arg(r.startPos + 1);
    }
    if (r.length == 1) {
        return QString::number(r.startPos + 1);
    }
    // Built directly: reports write one for every variation in an exon or intron.
    QString text = QString::number(r.startPos + 1);
    text += QLatin1String("..");
    text += QString::number(r.startPos + r.length);
    return text;
}

bool isWritable(const NxRegion& r) {
    return r.length >= 0 && r.startPos >= 0 && r.length <= std::numeric_limits<qint64>::max() - r.startPos;
}

}  // namespace

QString LocationParser::buildLocationString(const QVector<NxRegion>& regions, bool complement) {
    if (regions.isEmpty()) {
        return QString();
    }
    QStringList parts;
    if (regions.size() == 1) {
        return buildLocationString(regions.first(), complement);
    }
    for (const NxRegion& r : regions) {
        if (!isWritable(r)) {
            return QString();
        }
        parts << regionText(r);
    }
    QString text = parts.size() == 1 ? parts.first() : QString("join(%1)").arg(parts.join(','));
    return complement ? QString("complement(%1)").arg(text) : text;
}

QString LocationParser::buildLocationString(const NxRegion& region, bool complement) {
    if (!isWritable(region)) {
        return QString();
    }
    const QString text = regionText(region);
    return complement ? QString("complement(%1)").arg(text) : text;
}

}  // namespace Genbank
}  // namespace Nx
