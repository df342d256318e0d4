#include "PmidSearch.h"

#include "entrez/BlockingFetcher.h"
#include "entrez/EsearchClient.h"
#include "entrez/SearchResultParser.h"

PmidSearchOutcome PMIDsForSearchString(BlockingFetcher &fetcher, const Endpoints &endpoints,
                                       const QString &preparedTerm, int32_t retStart, int32_t retMax)
{
    const FetchResult fetched = fetcher.get(esearchUrl(endpoints, preparedTerm, retStart, retMax));
    if (!fetched.ok())
        return {std::nullopt, fetched.error};
    std::optional<SearchResult> result = searchResultFromResponse(fetched.body);
    if (!result)
        return {std::nullopt, QStringLiteral("the answer is not a search result")};
    return {std::move(result), {}};
}
