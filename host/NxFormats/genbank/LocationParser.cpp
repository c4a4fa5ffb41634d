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
    return QString("%1..%2").arg(r.startPos + 1).arg(r.startPos + r.length);
}

}  // namespace

QString LocationParser::buildLocationString(const QVector<NxRegion>& regions, bool complement) {
    if (regions.isEmpty()) {
        return QString();
    }
    QStringList parts;
    for (const NxRegion& r : regions) {
        if (r.length < 0 || r.startPos < 0 || r.length > std::numeric_limits<qint64>::max() - r.startPos) {
            return QString();
        }
        parts << regionText(r);
    }
    QString text = parts.size() == 1 ? parts.first() : QString("join(%1)").arg(parts.join(','));
    return complement ? QString("complement(%1)").arg(text) : text;
}

QString LocationParser::buildLocationString(const NxRegion& region, bool complement) {
    return buildLocationString(QVector<NxRegion>{region}, complement);
}

}  // namespace Genbank
}  // namespace Nx
