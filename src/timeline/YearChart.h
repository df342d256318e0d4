#pragma once

#include "timeline/YearCounts.h"

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

// Where the bars of a results-by-year chart go, the same for the window,
// its PNG and its SVG: one bar per year from the first year to the last, as
// high as its count against the largest, years labelled under the axis at a
// readable distance, the largest count beside the axis.
struct YearChart
{
    struct Bar
    {
        int year = 0;
        qint64 count = 0;
        QRectF rect; // empty height for a year without articles
    };

    QSizeF size;
    QRectF plot; // the area the bars stand in
    QList<Bar> bars;
    qint64 largest = 0;
    QList<int> labelledYears;

    // Room left of the plot for the largest count, and under it for the years.
    static constexpr qreal kLeftMargin = 56;
    static constexpr qreal kBottomMargin = 22;
    static constexpr qreal kMargin = 8;
    // Labels of years are at least this far apart.
    static constexpr qreal kLabelSpacing = 44;

    static YearChart layOut(const YearCounts &counts, int firstYear, int lastYear, const QSizeF &size);
    // The year whose column holds `x`, the nearest at either end; none without bars.
    std::optional<int> yearAt(qreal x) const;

    // The chart as an SVG document, each bar with its year and count as its
    // title (what a screen reader says).
    QString svg(const QString &title) const;
};
