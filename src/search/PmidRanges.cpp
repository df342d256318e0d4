#include "PmidRanges.h"

QString queryInPmidRange(const QString &query, const PmidRange &range)
{
    return QStringLiteral("(%1) AND %2:%3[uid]").arg(query).arg(range.low).arg(range.high);
}

PmidRangeWalk::PmidRangeWalk(const PmidRange &whole, std::optional<int64_t> wholeCount, int64_t limit)
    : m_pending{{whole, wholeCount}}
    , m_limit(limit)
{
}

bool PmidRangeWalk::counted(int64_t count)
{
    const PmidRange range = m_pending.back().range;
    m_pending.pop_back();
    if (count <= 0)
        return false;
    // A single PMID cannot hold more than one match; a service claiming
    // otherwise gets what it serves rather than an endless split.
    if (count <= m_limit || range.low >= range.high)
        return true;
    const int64_t middle = range.low + (range.high - range.low) / 2;
    // The high half goes on top: it is read first.
    m_pending.push_back({{range.low, middle}, std::nullopt});
    m_pending.push_back({{middle + 1, range.high}, std::nullopt});
    return false;
}

bool splitPmidRanges(const PmidRange &whole, std::optional<int64_t> wholeCount, int64_t limit,
                     const std::function<std::optional<int64_t>(const PmidRange &)> &count,
                     const std::function<bool(const PmidRange &, int64_t count)> &leaf)
{
    PmidRangeWalk walk(whole, wholeCount, limit);
    while (!walk.atEnd()) {
        const PmidRange range = walk.range();
        const std::optional<int64_t> matches = walk.knownCount() ? walk.knownCount() : count(range);
        if (!matches)
            return false;
        if (walk.counted(*matches) && !leaf(range, *matches))
            return false;
    }
    return true;
}
