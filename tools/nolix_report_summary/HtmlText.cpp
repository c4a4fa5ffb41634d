#include "HtmlText.h"

#include <QLocale>

namespace Nx {

QString HtmlText::escape(const QString& text) {
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
            case '&': out += QLatin1String("&amp;"); break;
            case '<': out += QLatin1String("&lt;"); break;
            case '>': out += QLatin1String("&gt;"); break;
            case '"': out += QLatin1String("&quot;"); break;
            case '\'': out += QLatin1String("&#39;"); break;
            default: out += c;
        }
    }
    return out;
}

QString HtmlText::count(qint64 value) {
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    return english.toString(value);
}

QString HtmlText::percent(qint64 part, qint64 total) {
    if (total == 0) {
        return QStringLiteral("-");
    }
    return QString::number(100.0 * double(part) / double(total), 'f', 1) + "%";
}

QString HtmlText::number(double value) {
    return QString::number(value, 'g', 6);
}

QString HtmlText::dateTime(const QDateTime& time) {
    if (!time.isValid()) {
        return QString();
    }
    // Local times print without an offset; a fixed offset prints it (or Z for UTC).
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

}  // namespace Nx
