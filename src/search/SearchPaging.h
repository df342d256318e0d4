#pragma once

#include <cstdint>

// The paging window of a search: which slice of the matches the next ESearch
// request asks for, and how it moves on after each batch.
class SearchPaging
{
public:
    int32_t retStart() const { return m_retStart; }
    int32_t retMax() const { return m_retMax; }

    // A new search (or a cancel): window (0, batchSize).
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

private:
    int32_t m_retStart = 0;
    int32_t m_retMax = 0;
};
