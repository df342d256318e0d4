#pragma once

#include <QString>

// What the Results by Year panel says.
namespace TimelineTexts {
inline const QString PanelTitle = QStringLiteral("Results by Year");
inline const QString ChartName = QStringLiteral("Articles per publication year");
inline const QString ChartHelp = QStringLiteral(
    "Left and Right choose a year, Shift widens the choice, Return narrows the search to the years chosen; "
    "or drag over the bars.");
inline const QString NoSearch = QStringLiteral("Search PubMed to see how its results spread over the years.");
inline const QString NoArticles = QStringLiteral("No articles in any year.");
inline const QString SaveChartTitle = QStringLiteral("Save Chart");
inline const QString SaveCountsTitle = QStringLiteral("Save Counts");
inline const QString ChartFilter = QStringLiteral("PNG image (*.png);;SVG image (*.svg)");
inline const QString CountsFilter = QStringLiteral("CSV (*.csv)");
inline const QString SaveFailed = QStringLiteral("The file could not be written.");
inline QString summary(qint64 total, int first, int last)
{
    return first == last ? QStringLiteral("%L1 articles in %2").arg(total).arg(first)
                         : QStringLiteral("%L1 articles, %2\u2013%3").arg(total).arg(first).arg(last);
}
inline QString counting(int year)
{
    return QStringLiteral("Counting\u2026 back to %1").arg(year);
}
inline QString stopped(const QString &reason)
{
    return QStringLiteral("Counting stopped: %1").arg(reason);
}
inline QString bar(int year, qint64 count)
{
    return QStringLiteral("%1: %L2 articles").arg(year).arg(count);
}
} // namespace TimelineTexts
