#include "SearchPaging.h"

#include "common/Endpoints.h"

#include <algorithm>

void SearchPaging::reset(int32_t batchSize)
{
    m_retStart = 0;
    m_retMax = std::min(batchSize, kEsearchRecordLimit);
}

bool SearchPaging::advance(int32_t totalCount, int32_t listCount, int32_t batchCount, int32_t batchSize)
{
    // 64-bit arithmetic: a total near the 32-bit limit must not wrap.
    const int64_t downloaded = int64_t(listCount) + batchCount;
    const int64_t fetchable = std::min<int64_t>(totalCount, kEsearchRecordLimit);
    if (fetchable <= downloaded)
        return false;
    const int64_t remaining = fetchable - downloaded;
    m_retStart = int32_t(downloaded);
    m_retMax = int32_t(std::min<int64_t>(batchSize, remaining));
    return true;
}

void SearchPaging::limitTo(int32_t totalCount)
{
    const int64_t deliverable = std::max<int64_t>(int64_t(totalCount) - m_retStart, 0);
    m_retMax = int32_t(std::min<int64_t>(m_retMax, deliverable));
}

bool SearchPaging::stoppedAtLimit(int32_t totalCount, int64_t downloaded)
{
    return totalCount > kEsearchRecordLimit && downloaded >= kEsearchRecordLimit;
}
