// Text helpers shared by the page and its charts: escaping for HTML and SVG text and
// attributes, and the number formats the page uses throughout.
#pragma once

#include <QDateTime>
#include <QString>

namespace Nx {

class HtmlText {
public:
    // & < > " and ' as character references; other characters as they are (the page is UTF-8).
    static QString escape(const QString& text);
    // A count with thousands separators: 12,345.
    static QString count(qint64 value);
    // part of total as a percentage with one decimal, "-" when total is 0.
    static QString percent(qint64 part, qint64 total);
    // A score: up to six significant digits, as the reports write them.
    static QString number(double value);
    // A time as ISO 8601 with its offset from UTC ("2026-12-09T23:10:00+01:00", "...Z" for UTC),
    // so that every time of the page says its zone.
    static QString dateTime(const QDateTime& time);
};

}  // namespace Nx
