#include "PmidSearch.h"

#include "entrez/PacedFetcher.h"
#include "entrez/SearchResultParser.h"

PmidSearchOutcome PMIDsForSearchString(PacedFetcher &fetcher, const Endpoints &endpoints, const QString &preparedTerm,
                                       int32_t retStart, int32_t retMax, const EutilsIdentity &identity)
{
    const PacedFetchResult fetched = fetcher.fetch(esearchRequest(endpoints, preparedTerm, retStart, retMax, identity));
    if (fetched.canceled)
        return {std::nullopt, QString(), true};
    if (!fetched.ok())
        return {std::nullopt, fetched.error};
    std::optional<SearchResult> result = searchResultFromResponse(fetched.body);
    if (!result)
        return {std::nullopt, QStringLiteral("the answer is not a search result")};
    return {std::move(result), {}};
}
