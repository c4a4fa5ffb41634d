#include "KnownMutationsUtils.h"

namespace Nx {

int KnownMutationsUtils::getNumberByChrName(const QString& chrName) {
    QString name = chrName;
    if (name.startsWith(QLatin1String("chr"), Qt::CaseInsensitive)) {
        name = name.mid(3);
    }
    if (name.isEmpty()) {
        return -1;
    }
    if (name.compare(QLatin1String("X"), Qt::CaseInsensitive) == 0) {
        return 23;
    }
    if (name.compare(QLatin1String("Y"), Qt::CaseInsensitive) == 0) {
        return 24;
    }
    if (name.compare(QLatin1String("M"), Qt::CaseInsensitive) == 0 ||
        name.compare(QLatin1String("MT"), Qt::CaseInsensitive) == 0) {
        return 25;
    }
    if (name.size() > 2 || name[0] == QLatin1Char('0')) {
        return -1;
    }
    int value = 0;
    for (QChar c : name) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return -1;
        }
        value = value * 10 + (c.unicode() - '0');
    }
    return (value >= 1 && value <= 22) ? value : -1;
}

QString KnownMutationsUtils::getChrNameByNumber(int number) {
    if (number >= 1 && number <= 22) {
        return QString::number(number);
    }
    switch (number) {
        case 23:
            return QStringLiteral("X");
        case 24:
            return QStringLiteral("Y");
        case 25:
            return QStringLiteral("MT");
        default:
            return QString();
    }
}

}  // namespace Nx
