// Bar charts as inline SVG: plain shapes and text, no script and no external resource, so a
// browser draws them as they stand. Each bar and bar part carries a <title> with its exact
// number (a tooltip); the table beside every chart holds the same numbers.
//
// horizontal(): one row per bar, label on the left, parts of a bar stacked left to right,
//               the bar's total after it. For categories.
// columns():    one column per bar, labels below (slanted when there are many). For bins of
//               a number, in their order.
#pragma once

#include <QList>
#include <QString>
#include <QVector>

namespace Nx {

class SvgChart {
public:
    struct Series {
        QString name;
        QString color;  // CSS colour
    };

    // One series: bars have one value each. Several: a legend is drawn and bars are stacked.
    SvgChart(const QString& title, const QList<Series>& series);

    // values: one per series. color overrides the series colour of a one-series chart.
    void addBar(const QString& label, const QVector<double>& values, const QString& color = QString());
    bool isEmpty() const { return bars.isEmpty(); }

    QString horizontal() const;
    QString columns() const;

private:
    struct Bar {
        QString label;
        QVector<double> values;
        QString color;
    };

    QString open(int width, int height) const;
    QString legend(int x, int y) const;
    double total(const Bar& bar) const;
    double scaleMax() const;
    QString partTitle(const Bar& bar, int series) const;

    QString title;
    QList<Series> series;
    QList<Bar> bars;
};

}  // namespace Nx
