#include "review/ReviewDeduplication.h"

#include "review/ReviewMessages.h"
#include "review/ReviewStore.h"

std::optional<ReviewDuplicates::Found> ReviewDeduplication::run(ReviewStore &store, qint64 review, const QString &who,
                                                                 bool dryRun)
{
    const auto records = store.records(review);
    const auto rejected = records ? store.distinctPairs(review) : std::nullopt;
    if (!rejected)
        return std::nullopt;
    const ReviewDuplicates::Found found = ReviewDuplicates::find(*records, *rejected);
    if (!dryRun && !found.merges.isEmpty() && !store.merge(review, found.merges, who))
        return std::nullopt;
    return found;
}

bool ReviewDeduplication::confirm(ReviewStore &store, qint64 review, qint64 first, qint64 second, const QString &who)
{
    const auto records = store.records(review);
    if (!records)
        return false;
    const auto find = [&](qint64 id) {
        return std::find_if(records->cbegin(), records->cend(), [&](const ReviewRecord &r) { return r.id == id; });
    };
    const auto a = find(first), b = find(second);
    if (a == records->cend() || b == records->cend())
        return store.merge(review, {{first, second, {}}}, who); // says which is gone
    const bool keepFirst = a->completeness() >= b->completeness();
    return store.merge(review, {{keepFirst ? first : second, keepFirst ? second : first, ReviewMessages::confirmedByUser()}},
                       who);
}
