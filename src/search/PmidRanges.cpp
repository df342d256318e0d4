#include "PmidRanges.h"

#include <vector>

QString queryInPmidRange(const QString &query, const PmidRange &range)
{
    return QStringLiteral("(%1) AND %2:%3[uid]").arg(query).arg(range.low).arg(range.high);
}

bool splitPmidRanges(const PmidRange &whole, std::optional<int64_t> wholeCount, int64_t limit,
                     const std::function<std::optional<int64_t>(const PmidRange &)> &count,
                     const std::function<bool(const PmidRange &, int64_t count)> &leaf)
{
    struct Pending
    {
        PmidRange range;
        std::optional<int64_t> count;
    };
    std::vector<Pending> stack{{whole, wholeCount}};
    while (!stack.empty()) {
        Pending next = stack.back();
        stack.pop_back();
        if (!next.count)
            next.count = count(next.range);
        if (!next.count)
            return false;
        if (*next.count <= 0)
            continue;
        // A single PMID cannot hold more than one match; a service claiming
        // otherwise gets what it serves rather than an endless split.
        if (*next.count <= limit || next.range.low >= next.range.high) {
            if (!leaf(next.range, *next.count))
                return false;
            continue;
        }
        const int64_t middle = next.range.low + (next.range.high - next.range.low) / 2;
        // The high half goes on top: it is read first.
        stack.push_back({{next.range.low, middle}, std::nullopt});
        stack.push_back({{middle + 1, next.range.high}, std::nullopt});
    }
    return true;
}
