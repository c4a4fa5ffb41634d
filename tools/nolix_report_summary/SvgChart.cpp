#include "SvgChart.h"

#include "HtmlText.h"

#include <algorithm>
#include <cmath>

namespace Nx {

namespace {

const int WIDTH = 560;
const int ROW_HEIGHT = 22;
const int BAR_HEIGHT = 14;
const double GLYPH_WIDTH = 6.6;  // of the 12 px sans-serif labels, generous
const int MAX_LABEL_CHARS = 34;

// A round step for about four grid lines up to max.
double tickStep(double max) {
    if (max <= 0) {
        return 1;
    }
    const double raw = max / 4;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double residual = raw / magnitude;
    const double step = residual <= 1 ? 1 : residual <= 2 ? 2 : residual <= 5 ? 5 : 10;
    return std::max(1.0, step * magnitude);
}

QString shortLabel(const QString& label) {
    return label.size() <= MAX_LABEL_CHARS ? label : label.left(MAX_LABEL_CHARS - 1) + QChar(0x2026);
}

QString fmt(double v) {
    return QString::number(v, 'f', 1);
}

QString valueText(double v) {
    return v == std::floor(v) && std::fabs(v) < 9e15 ? HtmlText::count(qint64(v)) : HtmlText::number(v);
}

}  // namespace

SvgChart::SvgChart(const QString& title, const QList<Series>& series) : title(title), series(series) {}

void SvgChart::addBar(const QString& label, const QVector<double>& values, const QString& color) {
    bars << Bar{label, values, color};
}

double SvgChart::total(const Bar& bar) const {
    double sum = 0;
    for (double v : bar.values) {
        sum += v;
    }
    return sum;
}

double SvgChart::scaleMax() const {
    double max = 0;
    for (const Bar& b : bars) {
        max = std::max(max, total(b));
    }
    const double step = tickStep(max);
    return std::max(step, std::ceil(max / step) * step);
}

QString SvgChart::open(int width, int height) const {
    return QString("<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"chart\" viewBox=\"0 0 %1 %2\" width=\"%1\" "
                   "height=\"%2\" role=\"img\" font-family=\"sans-serif\" font-size=\"12\"><title>%3</title>")
        .arg(width)
        .arg(height)
        .arg(HtmlText::escape(title));
}

QString SvgChart::legend(int x, int y) const {
    if (series.size() < 2) {
        return QString();
    }
    QString out;
    for (const Series& s : series) {
        out += QString("<rect x=\"%1\" y=\"%2\" width=\"12\" height=\"12\" fill=\"%3\"/>"
                       "<text x=\"%4\" y=\"%5\" fill=\"#333\">%6</text>")
                   .arg(x)
                   .arg(y)
                   .arg(s.color)
                   .arg(x + 16)
                   .arg(y + 10)
                   .arg(HtmlText::escape(s.name));
        x += 16 + int(s.name.size() * GLYPH_WIDTH) + 18;
    }
    return out;
}

QString SvgChart::partTitle(const Bar& bar, int s) const {
    const QString value = valueText(bar.values.value(s));
    return series.size() < 2 ? QString("%1: %2").arg(bar.label, value)
                             : QString("%1, %2: %3").arg(bar.label, series[s].name, value);
}

QString SvgChart::horizontal() const {
    int longest = 4;
    for (const Bar& b : bars) {
        longest = std::max(longest, int(shortLabel(b.label).size()));
    }
    const int labelWidth = int(longest * GLYPH_WIDTH) + 10;
    const int valueWidth = 70;
    const int plotLeft = labelWidth;
    const int plotWidth = WIDTH - labelWidth - valueWidth;
    const int top = series.size() < 2 ? 6 : 28;
    const int height = top + bars.size() * ROW_HEIGHT + 24;
    const double max = scaleMax();
    const double step = tickStep(max);

    QString out = open(WIDTH, height);
    out += legend(plotLeft, 6);
    // Grid lines and their numbers under the plot.
    const int plotBottom = top + bars.size() * ROW_HEIGHT;
    for (double t = 0; t <= max + step / 2; t += step) {
        const double x = plotLeft + plotWidth * t / max;
        out += QString("<line x1=\"%1\" y1=\"%2\" x2=\"%1\" y2=\"%3\" stroke=\"%4\"/>")
                   .arg(fmt(x))
                   .arg(top - 2)
                   .arg(plotBottom + 2)
                   .arg(t == 0 ? "#888" : "#e3e3e3");
        out += QString("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\" fill=\"#666\" font-size=\"11\">%3</text>")
                   .arg(fmt(x))
                   .arg(plotBottom + 16)
                   .arg(valueText(t));
    }
    for (int i = 0; i < bars.size(); ++i) {
        const Bar& b = bars[i];
        const int y = top + i * ROW_HEIGHT;
        out += QString("<text x=\"%1\" y=\"%2\" text-anchor=\"end\" fill=\"#222\">%3<title>%4</title></text>")
                   .arg(labelWidth - 6)
                   .arg(y + ROW_HEIGHT / 2 + 4)
                   .arg(HtmlText::escape(shortLabel(b.label)), HtmlText::escape(b.label));
        double x = plotLeft;
        for (int s = 0; s < b.values.size(); ++s) {
            const double w = plotWidth * b.values[s] / max;
            if (w <= 0) {
                continue;
            }
            const QString color = !b.color.isEmpty() && series.size() < 2 ? b.color : series.value(s).color;
            out += QString("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"><title>%6</title></rect>")
                       .arg(fmt(x))
                       .arg(y + (ROW_HEIGHT - BAR_HEIGHT) / 2)
                       .arg(fmt(std::max(w, 1.0)))
                       .arg(BAR_HEIGHT)
                       .arg(color, HtmlText::escape(partTitle(b, s)));
            x += w;
        }
        out += QString("<text x=\"%1\" y=\"%2\" fill=\"#222\">%3</text>")
                   .arg(fmt(x + 5))
                   .arg(y + ROW_HEIGHT / 2 + 4)
                   .arg(valueText(total(b)));
    }
    return out + "</svg>";
}

QString SvgChart::columns() const {
    // Labels are shortened like those of the bar chart; the full text is the label's tooltip.
    int longest = 1;
    for (const Bar& b : bars) {
        longest = std::max(longest, int(shortLabel(b.label).size()));
    }
    int left = 52;
    const int right = 10;
    const int top = series.size() < 2 ? 18 : 36;
    const int plotHeight = 180;
    int plotWidth = WIDTH - left - right;
    double slot = bars.isEmpty() ? plotWidth : double(plotWidth) / bars.size();
    // Labels that do not fit under their column are slanted; the first one must not run out
    // of the chart on the left.
    const bool slanted = longest * GLYPH_WIDTH > slot - 4;
    if (slanted) {
        const int reach = int(longest * GLYPH_WIDTH * 0.71) + 4;
        if (reach > left + slot / 2) {
            left = int(std::ceil(reach - slot / 2)) + 4;
            plotWidth = WIDTH - left - right;
            slot = bars.isEmpty() ? plotWidth : double(plotWidth) / bars.size();
            left = std::max(left, int(std::ceil(reach - slot / 2)) + 4);
            plotWidth = WIDTH - left - right;
            slot = bars.isEmpty() ? plotWidth : double(plotWidth) / bars.size();
        }
    }
    const int labelSpace = slanted ? int(longest * GLYPH_WIDTH * 0.75) + 14 : 22;
    const int height = top + plotHeight + labelSpace;
    const double max = scaleMax();
    const double step = tickStep(max);
    const int plotBottom = top + plotHeight;

    QString out = open(WIDTH, height);
    out += legend(left, 6);
    for (double t = 0; t <= max + step / 2; t += step) {
        const double y = plotBottom - plotHeight * t / max;
        out += QString("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"%4\"/>")
                   .arg(left - 3)
                   .arg(fmt(y))
                   .arg(WIDTH - right)
                   .arg(t == 0 ? "#888" : "#e3e3e3");
        out += QString("<text x=\"%1\" y=\"%2\" text-anchor=\"end\" fill=\"#666\" font-size=\"11\">%3</text>")
                   .arg(left - 6)
                   .arg(fmt(y + 4))
                   .arg(valueText(t));
    }
    for (int i = 0; i < bars.size(); ++i) {
        const Bar& b = bars[i];
        const double x0 = left + i * slot;
        const double barWidth = std::max(2.0, slot * 0.8);
        const double x = x0 + (slot - barWidth) / 2;
        double y = plotBottom;
        for (int s = 0; s < b.values.size(); ++s) {
            const double h = plotHeight * b.values[s] / max;
            if (h <= 0) {
                continue;
            }
            const QString color = !b.color.isEmpty() && series.size() < 2 ? b.color : series.value(s).color;
            y -= h;
            out += QString("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"><title>%6</title></rect>")
                       .arg(fmt(x))
                       .arg(fmt(y))
                       .arg(fmt(barWidth))
                       .arg(fmt(std::max(h, 1.0)))
                       .arg(color, HtmlText::escape(partTitle(b, s)));
        }
        if (total(b) > 0 && slot >= 18) {
            out += QString("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\" fill=\"#222\" font-size=\"10\">%3</text>")
                       .arg(fmt(x0 + slot / 2))
                       .arg(fmt(y - 3))
                       .arg(valueText(total(b)));
        }
        const double cx = x0 + slot / 2;
        if (slanted) {
            out += QString("<text x=\"%1\" y=\"%2\" text-anchor=\"end\" fill=\"#222\" font-size=\"11\" "
                           "transform=\"rotate(-45 %1 %2)\">%3<title>%4</title></text>")
                       .arg(fmt(cx + 3))
                       .arg(plotBottom + 12)
                       .arg(HtmlText::escape(shortLabel(b.label)), HtmlText::escape(b.label));
        } else {
            out += QString("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\" fill=\"#222\" font-size=\"11\">%3<title>%4</title></text>")
                       .arg(fmt(cx))
                       .arg(plotBottom + 15)
                       .arg(HtmlText::escape(shortLabel(b.label)), HtmlText::escape(b.label));
        }
    }
    return out + "</svg>";
}

}  // namespace Nx
