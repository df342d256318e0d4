#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// A closed range of PMIDs, low to high.
struct PmidRange
{
    int64_t low = 1;
    int64_t high = 9999999999; // a PMID has at most ten digits

    bool operator==(const PmidRange &) const = default;
};

// The query restricted to the range: "(query) AND low:high[uid]".
QString queryInPmidRange(const QString &query, const PmidRange &range);

// The walk of splitPmidRanges() one step at a time, for a caller that counts
// each range when its own answer comes: range() is the range to count next,
// counted() takes its count and says whether it is one to read whole.
class PmidRangeWalk
{
public:
    PmidRangeWalk(const PmidRange &whole, std::optional<int64_t> wholeCount, int64_t limit);
    bool atEnd() const { return m_pending.empty(); }
    const PmidRange &range() const { return m_pending.back().range; }
    // The count of range() when it is known already.
    std::optional<int64_t> knownCount() const { return m_pending.back().count; }
    // Moves on from range(), halving it when it holds more than the limit:
    // true when it holds 1 to `limit` matches (or is a single PMID).
    bool counted(int64_t count);

private:
    struct Pending
    {
        PmidRange range;
        std::optional<int64_t> count;
    };
    std::vector<Pending> m_pending; // the next on top
    int64_t m_limit;
};

// Cuts `whole` into ranges each holding at most `limit` matches, so that
// each can be read whole through ESearch: a range holding more is halved,
// again and again. `count` tells how many matches a range holds (none when
// it cannot tell); `leaf` receives every range of 1 to `limit` matches, from
// the highest PMIDs down, with its count, and may stop the walk by returning
// false. `wholeCount`, when known, saves the first count. False when a count
// failed or `leaf` stopped the walk.
bool splitPmidRanges(const PmidRange &whole, std::optional<int64_t> wholeCount, int64_t limit,
                     const std::function<std::optional<int64_t>(const PmidRange &)> &count,
                     const std::function<bool(const PmidRange &, int64_t count)> &leaf);
