#include "timeline/YearChart.h"

#include <array>

YearChart YearChart::layOut(const YearCounts &counts, int firstYear, int lastYear, const QSizeF &size)
{
    YearChart chart;
    chart.size = size;
    chart.plot = QRectF(kLeftMargin, kMargin, qMax(0.0, size.width() - kLeftMargin - kMargin),
                        qMax(0.0, size.height() - kMargin - kBottomMargin));
    if (lastYear < firstYear)
        return chart;
    for (int year = firstYear; year <= lastYear; ++year)
        chart.largest = qMax(chart.largest, counts.value(year));
    const int years = lastYear - firstYear + 1;
    const qreal column = chart.plot.width() / years;
    // A gap between bars while they are wide enough to show one.
    const qreal gap = column >= 4 ? column / 5 : 0;
    for (int year = firstYear; year <= lastYear; ++year) {
        const qint64 count = counts.value(year);
        const qreal height = chart.largest > 0 ? chart.plot.height() * qreal(count) / qreal(chart.largest) : 0;
        const qreal left = chart.plot.left() + (year - firstYear) * column;
        chart.bars.append({year, count, QRectF(left + gap / 2, chart.plot.bottom() - height, column - gap, height)});
    }
    // Every 1, 2, 5, 10, ... years, whichever first leaves room between labels.
    static constexpr std::array<int, 7> steps{1, 2, 5, 10, 20, 50, 100};
    int step = steps.back();
    for (const int candidate : steps) {
        if (candidate * column >= kLabelSpacing) {
            step = candidate;
            break;
        }
    }
    for (int year = firstYear; year <= lastYear; ++year) {
        if (year % step == 0 || (years < step && year == firstYear))
            chart.labelledYears.append(year);
    }
    return chart;
}

std::optional<int> YearChart::yearAt(qreal x) const
{
    if (bars.isEmpty())
        return std::nullopt;
    const qreal column = plot.width() / bars.size();
    const int index = column > 0 ? int((x - plot.left()) / column) : 0;
    return bars.at(qBound(0, index, int(bars.size()) - 1)).year;
}

QString YearChart::svg(const QString &title) const
{
    QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                                  "viewBox=\"0 0 %1 %2\" font-family=\"sans-serif\" font-size=\"11\">\n")
                       .arg(size.width())
                       .arg(size.height());
    text += QStringLiteral("<title>%1</title>\n").arg(title.toHtmlEscaped());
    text += QStringLiteral("<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n");
    text += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\" stroke=\"black\"/>\n")
                .arg(plot.left())
                .arg(plot.bottom())
                .arg(plot.right());
    text += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"end\">%3</text>\n")
                .arg(plot.left() - 4)
                .arg(plot.top() + 10)
                .arg(largest);
    for (const Bar &bar : bars) {
        if (bar.count > 0)
            text += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"#3a6ea5\">"
                                   "<title>%5: %6</title></rect>\n")
                        .arg(bar.rect.x())
                        .arg(bar.rect.y())
                        .arg(bar.rect.width())
                        .arg(bar.rect.height())
                        .arg(bar.year)
                        .arg(bar.count);
    }
    for (const int year : labelledYears) {
        const QRectF &rect = bars.at(year - bars.constFirst().year).rect;
        text += QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>\n")
                    .arg(rect.center().x())
                    .arg(plot.bottom() + 15)
                    .arg(year);
    }
    return text + QStringLiteral("</svg>\n");
}
