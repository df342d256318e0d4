#include "search/SearchSession.h"

#include "common/IntValue.h"
#include "common/SystemLog.h"
#include "entrez/ArticleDownload.h"
#include "entrez/ArticleExtractor.h"
#include "entrez/BlockingFetcher.h"
#include "entrez/EntrezMessages.h"
#include "entrez/EsearchClient.h"
#include "entrez/EutilsTransfer.h"
#include "entrez/LinkKind.h"
#include "entrez/PmidSearch.h"
#include "entrez/SearchResultParser.h"
#include "search/CitedByCounts.h"
#include "search/QueryDetails.h"
#include "search/SearchMessages.h"
#include "entrez/RequestSequence.h"
#include "services/Icite.h"

#include <QSet>

#include <algorithm>

SearchSession::SearchSession(SessionSettings settings, QObject *parent)
    : QObject(parent)
    , m_settings(std::move(settings))
    , m_esearch(std::make_unique<EutilsTransfer>(m_manager))
    , m_espell(std::make_unique<EutilsTransfer>(m_manager))
    , m_icite(std::make_unique<RequestSequence>())
    , m_download(std::make_unique<ArticleDownload>(m_settings.endpoints))
    , m_message(SearchMessages::Ready)
{
    // First to hear of each batch, before any view reorders the articles.
    m_citedBy = new CitedByCounts(*this);
    m_esearch->setLimits(m_settings.limits);
    m_esearch->setRetryPolicy(m_settings.retries);
    connect(m_esearch.get(), &EutilsTransfer::retryScheduled, this, &SearchSession::showRetryWait);
    connect(m_esearch.get(), &EutilsTransfer::retrying, this, &SearchSession::endRetryWait);
    connect(m_esearch.get(), &EutilsTransfer::finished, this, [this] {
        FetchResult fetched;
        fetched.body = m_esearch->takeBody();
        fetched.httpStatus = m_esearch->httpStatus();
        if (m_source.kind == SearchSource::Kind::Links)
            onLinkAnswer(linkedPmidsOutcome(fetched, m_source.link, m_source.pmids));
        else
            onSearchAnswer(pmidSearchOutcome(fetched, asksForWholeList() ? kEsearchRecordLimit : m_paging.retMax()));
    });
    connect(m_esearch.get(), &EutilsTransfer::failed, this, [this](const QString &reason) {
        if (m_source.kind == SearchSource::Kind::Links)
            onLinkAnswer({{}, reason});
        else
            onSearchAnswer({std::nullopt, reason});
    });

    m_icite->setLimits(m_settings.limits);
    m_icite->setRetryPolicy(m_settings.retries);
    connect(m_icite.get(), &RequestSequence::retryScheduled, this, &SearchSession::showRetryWait);
    connect(m_icite.get(), &RequestSequence::failed, this, [this](const QString &reason) { onLinkAnswer({{}, reason}); });

    m_espell->setLimits(m_settings.limits);
    connect(m_espell.get(), &EutilsTransfer::finished, this, [this] {
        const QString corrected = correctedQueryFromResponse(m_espell->takeBody());
        if (corrected.compare(m_source.query.trimmed(), Qt::CaseInsensitive) != 0) {
            m_suggestion = corrected;
            emit changed();
        }
    });

    m_download->setLimits(m_settings.limits);
    m_download->setRetryPolicy(m_settings.retries);
    m_download->readArticlesWhileReceiving(elinkBaseUrl(m_settings.endpoints));
    connect(m_download.get(), &ArticleDownload::retryScheduled, this, &SearchSession::showRetryWait);
    connect(m_download.get(), &ArticleDownload::retrying, this, &SearchSession::endRetryWait);
    connect(m_download.get(), &ArticleDownload::responseStarted, this, [this] {
        m_receiving = true;
        emit changed();
    });
    connect(m_download.get(), &ArticleDownload::progress, this, [this](double value) {
        m_progress = value;
        emit changed();
    });
    connect(m_download.get(), &ArticleDownload::finished, this, &SearchSession::onDownloadFinished);
    connect(m_download.get(), &ArticleDownload::failed, this, &SearchSession::onDownloadFailed);
}

SearchSession::~SearchSession()
{
    stopTransfers();
}

bool SearchSession::start(const SearchSource &source)
{
    // Filters alone are no query: they only narrow one.
    const bool links = source.kind == SearchSource::Kind::Links || source.kind == SearchSource::Kind::List;
    if (links ? source.pmids.isEmpty() : prepareQueryTerm(source.query).isEmpty())
        return false;
    const QString term = prepareQueryTerm(source.effectiveQuery());
    // A new search replaces a running one, as a new address does in a browser.
    stopTransfers();
    m_source = source;
    m_preparedTerm = term;
    m_linkedPmids.reset();
    m_linkedFrom.clear();
    m_paging.reset(m_settings.batchSize());
    m_hasMore = false;
    m_totalCount = 0;
    // No count of the last search stays above the emptied table.
    m_message = SearchMessages::searching();
    m_queryAnswer = {};
    m_suggestion.clear();
    clearArticles();
    emit started();
    runBatch();
    return true;
}

QStringList SearchSession::foundAs(const ArticleList &articles) const
{
    QStringList found;
    for (const ArticleRecord &article : articles) {
        const QString pmid = article.text(ArticleRecord::Key::PMID);
        found.append(m_source.foundAsOf(pmid, m_linkedFrom.value(pmid)));
    }
    return found;
}

bool SearchSession::fetchMore()
{
    // Two transfers of a session never overlap: a batch waits until the last one ended.
    if (isBusy() || !m_hasMore || m_source.isNone())
        return false;
    runBatch();
    return true;
}

void SearchSession::showStored(const SearchSource &source, ArticleList articles, qsizetype total)
{
    stopTransfers();
    m_source = source;
    m_paging.reset(m_settings.batchSize());
    m_hasMore = false;
    m_totalCount = int32_t(std::max(total, articles.size()));
    m_queryAnswer = {};
    m_suggestion.clear();
    clearArticles();
    appendArticles(std::move(articles));
    setIdle(SearchMessages::stored(m_totalCount));
}

void SearchSession::appendStored(const SearchSource &source, ArticleList articles)
{
    if (m_source == source && source.kind == SearchSource::Kind::Stored && !isBusy())
        appendArticles(std::move(articles));
}

void SearchSession::cancel()
{
    stopTransfers();
    m_paging.reset(m_settings.batchSize());
    m_hasMore = false;
    clearArticles();
    setIdle(SearchMessages::canceled());
}

void SearchSession::runBatch()
{
    if (m_linkedPmids) {
        takeLinkedWindow();
        return;
    }
    if (m_source.kind == SearchSource::Kind::List) {
        onLinkAnswer({m_source.pmids, {}});
        return;
    }
    m_activity = Activity::Searching;
    if (m_source.kind == SearchSource::Kind::Links && m_source.link != LinkKind::Similar
        && m_settings.citationSource() == CitationSource::Icite)
        askIcite();
    else if (m_source.kind == SearchSource::Kind::Links)
        // One link set per PMID when there are several, so that each article
        // can say which of them it was linked from.
        m_esearch->start(elinkRequest(m_settings.endpoints,
                                      {m_source.pmids, linkNameOf(m_source.link), m_source.pmids.size() > 1,
                                       m_source.link == LinkKind::Similar},
                                      m_settings.identity()));
    else if (asksForWholeList())
        m_esearch->start(esearchRequest(m_settings.endpoints, m_preparedTerm, 0, kEsearchRecordLimit, m_settings.identity(),
                                        m_source.sort));
    else
        m_esearch->start(esearchRequest(m_settings.endpoints, m_preparedTerm, m_paging.retStart(), m_paging.retMax(),
                                        m_settings.identity(), m_source.sort));
    emit changed();
}

void SearchSession::askIcite()
{
    auto records = std::make_shared<QList<IciteRecord>>();
    disconnect(m_icite.get(), &RequestSequence::finished, this, nullptr);
    connect(m_icite.get(), &RequestSequence::finished, this,
            [this, records] {
                onLinkAnswer({iciteLinkedPmids(*records, m_source.link), {}, iciteLinkedFrom(*records, m_source.link)});
            });
    m_icite->start(iciteRequests(m_settings.endpoints, m_source.pmids), [records](const QByteArray &body) {
        const IciteAnswer answer = iciteAnswerFrom(body);
        records->append(answer.records);
        return answer.error;
    });
}

void SearchSession::onLinkAnswer(const LinkedPmidsOutcome &outcome)
{
    if (!outcome.error.isEmpty()) {
        setIdle(SearchMessages::linkFailed(outcome.error));
        return;
    }
    if (outcome.pmids.isEmpty()) {
        emit answered();
        const bool icite = m_settings.citationSource() == CitationSource::Icite && m_source.link != LinkKind::Similar;
        setIdle(icite ? SearchMessages::noIciteLinks(m_source.link, m_source.pmids.size())
                      : SearchMessages::noLinkedArticles(m_source.link, m_source.pmids.size()));
        return;
    }
    m_linkedPmids = outcome.pmids;
    m_linkedFrom = outcome.linkedFrom;
    m_listAnswer = {};
    m_listAnswer.totalCount = QString::number(outcome.pmids.size());
    takeLinkedWindow();
}

void SearchSession::takeLinkedWindow()
{
    SearchResult window = m_listAnswer;
    window.PMIDs = m_linkedPmids->mid(m_paging.retStart(), m_paging.retMax());
    window.retrievedCount = int(window.PMIDs.size());
    onSearchAnswer({window, {}});
}

bool SearchSession::asksForWholeList() const
{
    return m_source.kind == SearchSource::Kind::Query && !m_source.pinned.isEmpty() && !m_linkedPmids;
}

void SearchSession::listPinnedFirst(const SearchResult &answer)
{
    const QSet<QString> pinned(m_source.pinned.cbegin(), m_source.pinned.cend());
    QStringList first;
    QStringList rest;
    for (const QString &pmid : answer.PMIDs)
        (pinned.contains(pmid) ? first : rest).append(pmid);
    // Beyond what ESearch serves, a pinned PMID is missing from the answer
    // though it still matches; within it, a missing one no longer matches.
    if (intValue(answer.totalCount) > answer.PMIDs.size()) {
        const QSet<QString> listed(first.cbegin(), first.cend());
        for (const QString &pmid : m_source.pinned) {
            if (!listed.contains(pmid))
                first.append(pmid);
        }
    }
    m_linkedPmids = (first + rest).mid(0, kEsearchRecordLimit);
    m_listAnswer = answer;
    m_listAnswer.PMIDs.clear();
    takeLinkedWindow();
}

void SearchSession::onSearchAnswer(const PmidSearchOutcome &outcome)
{
    if (!outcome.result) {
        setIdle(SearchMessages::searchFailed(outcome.error));
        return;
    }
    const SearchResult &result = *outcome.result;
    if (asksForWholeList()) {
        listPinnedFirst(result);
        return;
    }
    if (m_articles.isEmpty()) {
        m_queryAnswer = result;
        m_queryAnswer.PMIDs.clear();
        askForSpelling(result);
    }
    m_PMIDsCount = int32_t(result.PMIDs.size());
    m_totalCount = intValue(result.totalCount);
    if (m_articles.isEmpty())
        emit answered();
    if (result.PMIDs.isEmpty()) {
        m_hasMore = false;
        setIdle(withQueryNote(SearchMessages::found(m_totalCount)));
        return;
    }
    m_batchAtLimit = SearchPaging::stoppedAtLimit(m_totalCount, int32_t(m_articles.size()) + m_PMIDsCount);
    // Titles count as downloaded once their records are here, not when asked for.
    m_message = m_articles.isEmpty() ? withQueryNote(SearchMessages::found(m_totalCount)) : downloadedMessage();
    m_batchPaging = m_paging;
    m_hasMore = m_paging.advance(m_totalCount, int32_t(m_articles.size()), m_PMIDsCount, m_settings.batchSize());
    m_download->setIdentity(m_settings.identity());
    if (!m_download->start(result.PMIDs)) {
        offerFailedBatchAgain();
        setIdle(SearchMessages::downloadFailed(EntrezMessages::transferNotStarted()));
        return;
    }
    m_activity = Activity::Downloading;
    emit changed();
}

void SearchSession::onDownloadFinished()
{
    ArticleList batch;
    const qsizetype readResult = m_download->takeArticles(batch);
    receiveBatch(std::move(batch), readResult);
}

void SearchSession::receiveBatch(ArticleList batch, qsizetype readResult)
{
    m_activity = Activity::Idle;
    m_receiving = false;
    appendArticles(std::move(batch));
    m_message = downloadedMessage();
    if (readResult < 0) {
        offerFailedBatchAgain();
        m_message = SearchMessages::downloadFailed(EntrezMessages::answerNotUtf8());
    }
    emit changed();
}

void SearchSession::onDownloadFailed(const QString &description, const QString &failingUrl)
{
    systemLog(QStringLiteral("Connection failed! Error - %1 %2"), description, failingUrl);
    offerFailedBatchAgain();
    setIdle(SearchMessages::downloadFailed(description));
}

void SearchSession::offerFailedBatchAgain()
{
    // The batch that failed is offered again instead of being skipped, with
    // the number of articles it can still bring.
    m_paging = m_batchPaging;
    m_paging.limitTo(m_totalCount);
    m_hasMore = true;
}

void SearchSession::clearArticles()
{
    emit articlesAboutToReset();
    m_articles.clear();
    emit articlesReset();
}

void SearchSession::appendArticles(ArticleList batch)
{
    if (batch.isEmpty())
        return;
    const bool firstBatch = m_articles.isEmpty();
    const int first = int(m_articles.size());
    emit articlesAboutToAppend(first, first + int(batch.size()) - 1);
    m_articles.append(std::move(batch));
    emit articlesAppended(firstBatch);
}

void SearchSession::stopTransfers()
{
    m_esearch->cancel();
    m_icite->cancel();
    m_espell->cancel();
    m_download->cancel();
    m_activity = Activity::Idle;
    m_receiving = false;
}

void SearchSession::setIdle(const QString &message)
{
    m_activity = Activity::Idle;
    m_receiving = false;
    m_message = message;
    emit changed();
}

void SearchSession::setMessage(const QString &message)
{
    m_message = message;
    emit changed();
}

void SearchSession::showRetryWait(int seconds)
{
    m_messageBeforeRetry = m_message;
    setMessage(SearchMessages::busyRetrying(seconds));
}

void SearchSession::endRetryWait()
{
    setMessage(m_messageBeforeRetry);
}

// A query PubMed ran only in part says so with every count, never silently.
QString SearchSession::withQueryNote(const QString &message) const
{
    return SearchMessages::withQueryNote(message, QueryDetails::summary(m_queryAnswer));
}

QString SearchSession::downloadedMessage() const
{
    const int32_t downloaded = int32_t(m_articles.size());
    return withQueryNote(m_batchAtLimit ? SearchMessages::foundDownloadedAtLimit(m_totalCount, downloaded)
                                        : SearchMessages::foundDownloaded(m_totalCount, downloaded));
}

// Fewer matches than this make a misspelt query likely enough to ask ESpell.
static constexpr int32_t kFewMatches = 5;

void SearchSession::askForSpelling(const SearchResult &answer)
{
    const bool phraseNotFound = std::any_of(answer.errors.cbegin(), answer.errors.cend(), [](const QueryNotice &notice) {
        return notice.kind == QueryNotice::PhraseNotFound;
    });
    if (intValue(answer.totalCount) >= kFewMatches && !phraseNotFound)
        return;
    // Through the same limiter as every request, so the pace holds.
    m_espell->start(espellRequest(m_settings.endpoints, prepareQueryTerm(m_source.query), m_settings.identity()));
}
