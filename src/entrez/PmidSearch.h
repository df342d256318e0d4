#pragma once

#include "common/Endpoints.h"
#include "entrez/EutilsRequest.h"
#include "entrez/SearchResult.h"

#include <QByteArray>

#include <QString>

#include <cstdint>
#include <optional>

class PacedFetcher;
struct FetchResult;

// The answer of one ESearch request, or why there is none.
struct PmidSearchOutcome
{
    std::optional<SearchResult> result;
    QString error;         // readable reason when there is no result
    bool canceled = false; // the request was cancelled while it waited or ran
};

// One ESearch request for a prepared query term, an order and a paging window: fetched
// synchronously (paced, busy answers retried), cleaned, and read into the
// PMIDs of the window and the total count. At most `retMax` PMIDs are taken
// from the answer. Keeps nothing between calls.
PmidSearchOutcome PMIDsForSearchString(PacedFetcher &fetcher, const Endpoints &endpoints, const QString &preparedTerm,
                                       int32_t retStart, int32_t retMax, const EutilsIdentity &identity = {},
                                       SortOrder order = SortOrder::Recent);

// The outcome of an ESearch answer fetched by any means (blocking or not):
// cleaned, read, and cut to the `retMax` PMIDs that were asked for.
PmidSearchOutcome pmidSearchOutcome(const FetchResult &fetched, int32_t retMax);
