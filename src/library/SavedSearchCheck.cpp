#include "library/SavedSearchCheck.h"

#include "entrez/BlockingFetcher.h"
#include "entrez/EsearchClient.h"
#include "entrez/EutilsTransfer.h"
#include "entrez/PmidSearch.h"
#include "library/HistoryMessages.h"
#include "library/LibraryStore.h"
#include "search/SearchMessages.h"

#include <QTimer>

SavedSearchCheck::SavedSearchCheck(LibraryStore &store, CheckSettings settings, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_settings(std::move(settings))
    , m_transfer(std::make_unique<EutilsTransfer>(m_manager))
{
    m_transfer->setLimits(m_settings.limits);
    m_transfer->setRetryPolicy(m_settings.retries);
    connect(m_transfer.get(), &EutilsTransfer::finished, this, [this] {
        FetchResult fetched;
        fetched.body = m_transfer->takeBody();
        fetched.httpStatus = m_transfer->httpStatus();
        onAnswer(fetched);
    });
    connect(m_transfer.get(), &EutilsTransfer::failed, this, [this](const QString &reason) {
        FetchResult fetched;
        fetched.error = reason;
        onAnswer(fetched);
    });
}

SavedSearchCheck::~SavedSearchCheck() = default;

EutilsRequest SavedSearchCheck::requestFor(const SavedSearch &search, const CheckSettings &settings,
                                           const std::optional<PmidRange> &range)
{
    // A day's margin: PubMed dates its entries in its own time zone, and an
    // entry dated the day of the last check may have come after it.
    const QDate since = search.wasChecked() ? search.lastChecked.toUTC().date().addDays(-1) : QDate();
    const QString query = search.source().effectiveQuery();
    return esearchRequest(settings.endpoints, prepareQueryTerm(range ? queryInPmidRange(query, *range) : query), 0,
                          kEsearchRecordLimit, settings.identity, search.sort, since);
}

bool SavedSearchCheck::start(const QList<SavedSearch> &searches)
{
    if (isRunning() || searches.isEmpty())
        return false;
    m_searches = searches;
    m_next = 0;
    ++m_run;
    checkNext();
    return true;
}

void SavedSearchCheck::cancel()
{
    m_transfer->cancel();
    m_searches.clear();
    m_next = 0;
    ++m_run;
}

void SavedSearchCheck::checkNext()
{
    if (m_next == m_searches.size()) {
        m_searches.clear();
        m_next = 0;
        emit finished();
        return;
    }
    const SavedSearch &search = m_searches.at(m_next++);
    m_checkStarted = QDateTime::currentDateTimeUtc();
    m_ranges.reset();
    m_found.clear();
    m_transfer->start(requestFor(search, m_settings));
}

void SavedSearchCheck::onAnswer(const FetchResult &fetched)
{
    const SavedSearch search = m_searches.at(m_next - 1);
    const quint64 run = m_run;
    const PmidSearchOutcome outcome = pmidSearchOutcome(fetched, kEsearchRecordLimit);
    bool more = false;
    if (!outcome.result) {
        emit failed(search, SearchMessages::searchFailed(outcome.error));
    } else if (take(search, *outcome.result)) {
        more = m_ranges && !m_ranges->atEnd();
        if (!more)
            record(search, m_found);
    }
    // Later, not now: the transfer that just ended is still on the stack,
    // and a slot of the signals above may have cancelled or started again.
    QTimer::singleShot(0, this, [this, run, more] {
        if (run != m_run)
            return;
        if (more)
            m_transfer->start(requestFor(m_searches.at(m_next - 1), m_settings, m_ranges->range()));
        else
            checkNext();
    });
}

bool SavedSearchCheck::take(const SavedSearch &search, const SearchResult &answer)
{
    const qint64 count = answer.totalCount.toLongLong();
    if (m_ranges) {
        // A range holding no more than one answer serves came whole.
        if (m_ranges->counted(count))
            m_found += answer.PMIDs;
        return true;
    }
    m_found = answer.PMIDs;
    // A first check only learns what the search finds today: its first
    // answer is enough, as is one that holds every match.
    if (!search.wasChecked() || count <= answer.PMIDs.size())
        return true;
    if (count > kMaxNewPerCheck) {
        emit failed(search, HistoryMessages::tooManyNew(count, kMaxNewPerCheck));
        return false;
    }
    m_found.clear();
    m_ranges.emplace(PmidRange{}, count, kEsearchRecordLimit);
    m_ranges->counted(count);
    return true;
}

void SavedSearchCheck::record(const SavedSearch &search, const QStringList &pmids)
{
    if (const auto added = m_store.recordCheck(search.id, pmids, m_checkStarted))
        emit checked(search, *added);
    else
        emit failed(search, m_store.error());
}
