#pragma once

#include <QMap>
#include <QString>

#include <optional>

// How many articles of a search were published in each year. A year not in
// the map has none, or is not known yet.
using YearCounts = QMap<int, qint64>;

namespace YearCountsCsv {
// PubMed's "Results by year" download: a "Search query: ..." line when a
// query is given, then "Year,Count" and one line per year with articles, the
// most recent first.
QString write(const YearCounts &counts, const QString &query = {});
// The counts of such a text; nothing when a line is neither a year's count
// nor a heading.
std::optional<YearCounts> read(const QString &text);
} // namespace YearCountsCsv

// The years with articles: the earliest, the latest and the sum of their
// counts (an article dated in two years counts in both, as on PubMed).
struct YearSpread
{
    int first = 0;
    int last = 0;
    qint64 total = 0;

    static YearSpread of(const YearCounts &counts);
};
