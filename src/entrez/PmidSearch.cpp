#include "PmidSearch.h"

#include "common/SystemLog.h"

#include "entrez/PacedFetcher.h"
#include "entrez/SearchResultParser.h"

PmidSearchOutcome PMIDsForSearchString(PacedFetcher &fetcher, const Endpoints &endpoints, const QString &preparedTerm,
                                       int32_t retStart, int32_t retMax, const EutilsIdentity &identity,
                                       SortOrder order)
{
    const PacedFetchResult fetched =
        fetcher.fetch(esearchRequest(endpoints, preparedTerm, retStart, retMax, identity, order));
    if (fetched.canceled)
        return {std::nullopt, QString(), true};
    return pmidSearchOutcome(fetched, retMax);
}

PmidSearchOutcome pmidSearchOutcome(const FetchResult &fetched, int32_t retMax)
{
    if (!fetched.ok())
        return {std::nullopt, fetched.error};
    std::optional<SearchResult> result = searchResultFromResponse(fetched.body);
    if (!result)
        return {std::nullopt, QStringLiteral("the answer is not a search result")};
    // A batch never grows beyond what was asked for, whatever the answer holds.
    const qsizetype wanted = std::max<qsizetype>(retMax, 0);
    if (result->PMIDs.size() > wanted) {
        systemLog(QStringLiteral("ESearch answer: %1 ids beyond the %2 asked for were dropped")
                      .arg(result->PMIDs.size() - wanted)
                      .arg(wanted));
        result->PMIDs.resize(wanted);
        result->retrievedCount = int(wanted);
    }
    return {std::move(result), {}};
}
