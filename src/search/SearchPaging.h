#pragma once

#include <cstdint>

// The paging window of a search: which slice of the matches the next ESearch
// request asks for, and how it moves on after each batch. ESearch serves only
// the first kEsearchRecordLimit PMIDs of a query, so min(totalCount, that
// limit) is what can be fetched, and no window reaches past it.
class SearchPaging
{
public:
    int32_t retStart() const { return m_retStart; }
    int32_t retMax() const { return m_retMax; }

    // A new search (or a cancel): window (0, batchSize), cut at the limit.
    void reset(int32_t batchSize);

    // After a batch of `batchCount` PMIDs was handed to the download, with
    // `listCount` records already downloaded and `totalCount` matches in all.
    // Moves the window to the remaining matches and returns true when some
    // remain (the more-articles button then offers retMax() of them); returns
    // false and keeps the window when the batch reaches the total.
    bool advance(int32_t totalCount, int32_t listCount, int32_t batchCount, int32_t batchSize);

    // Narrows the window to the matches it can still deliver of `totalCount`,
    // so a window offered again promises no more than exist.
    void limitTo(int32_t totalCount);
    // The search has as many PMIDs as ESearch serves, and it has more matches.
    static bool stoppedAtLimit(int32_t totalCount, int64_t downloaded);

private:
    int32_t m_retStart = 0;
    int32_t m_retMax = 0;
};
