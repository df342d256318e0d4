#include "search/CitedByCounts.h"

#include "common/SystemLog.h"
#include "entrez/EntrezMessages.h"
#include "entrez/LinkKind.h"
#include "search/SearchMessages.h"
#include "services/Icite.h"

EutilsRequest citedByCountsRequest(const Endpoints &endpoints, const QStringList &pmids, const EutilsIdentity &identity)
{
    // A POST at any size: a batch's PMIDs stay out of every URL a message or a log might show.
    return asPost(elinkRequest(endpoints, {pmids, linkNameOf(LinkKind::CitedBy), true, false}, identity));
}

CitationMetricsMap citedByCountsOf(const ElinkAnswer &answer)
{
    const QString linkName = linkNameOf(LinkKind::CitedBy);
    CitationMetricsMap counts;
    for (const ElinkLinkSet &set : answer.linkSets) {
        // A union of several PMIDs says nothing about any one of them.
        if (set.askedPmids.size() == 1)
            counts[set.askedPmids.constFirst()].citedBy = set.links.value(linkName).size();
    }
    return counts;
}

CitedByCountsOutcome citedByCountsOutcome(const QByteArray &body)
{
    const std::optional<ElinkAnswer> answer = elinkAnswerFromResponse(body);
    if (!answer)
        return {{}, EntrezMessages::notALinkSet()};
    if (const QString error = answer->errorMessage(); !error.isEmpty())
        return {{}, error};
    return {citedByCountsOf(*answer), {}};
}

CitedByCountsOutcome iciteMetricsOutcome(const QByteArray &body)
{
    const IciteAnswer answer = iciteAnswerFrom(body);
    CitedByCountsOutcome outcome{{}, answer.error};
    for (const IciteRecord &record : answer.records)
        outcome.counts.insert(record.pmid, record.metrics);
    return outcome;
}

CitedByCounts::CitedByCounts(SearchSession &session)
    : QObject(&session)
    , m_session(session)
    , m_transfer(m_manager)
    , m_source(session.settings().citationSource())
{
    m_transfer.setLimits(session.settings().limits);
    m_transfer.setRetryPolicy(session.settings().retries);
    m_icite.setLimits(session.settings().limits);
    m_icite.setRetryPolicy(session.settings().retries);
    const auto failed = [this](const QString &reason) {
        logFailure(reason);
        askNext();
    };
    connect(&m_transfer, &EutilsTransfer::finished, this, [this, failed] {
        if (const QString error = store(citedByCountsOutcome(m_transfer.takeBody())); !error.isEmpty())
            failed(error);
        else
            askNext();
    });
    connect(&m_transfer, &EutilsTransfer::failed, this, failed);
    connect(&m_icite, &RequestSequence::failed, this, failed);
    connect(&m_icite, &RequestSequence::finished, this, &CitedByCounts::askNext);
    // The articles are emptied by every new search and every cancel.
    connect(&session, &SearchSession::articlesAboutToReset, this, &CitedByCounts::clear);
    connect(&session, &SearchSession::articlesAppended, this, [this] {
        if (!m_session.settings().citedByCounts())
            return;
        const ArticleList &articles = m_session.articles();
        QStringList pmids;
        for (qsizetype row = m_appendedFrom; row < articles.size(); ++row)
            pmids.append(articles[row].text(ArticleRecord::Key::PMID));
        askFor(pmids);
    });
    connect(&session, &SearchSession::articlesAboutToAppend, this, [this](int first) { m_appendedFrom = first; });
}

std::optional<qsizetype> CitedByCounts::countOf(const QString &pmid) const
{
    const auto known = m_counts.constFind(pmid);
    return known == m_counts.cend() ? std::nullopt : known->citedBy;
}

std::optional<CitationMetrics> CitedByCounts::metricsOf(const QString &pmid) const
{
    const auto known = m_counts.constFind(pmid);
    return known == m_counts.cend() ? std::nullopt : std::optional<CitationMetrics>(*known);
}

void CitedByCounts::followSource()
{
    const CitationSource wanted = m_session.settings().citationSource();
    if (wanted == m_source)
        return;
    clear();
    emit countsArrived(); // the counts of the other source are gone
    if (!m_session.settings().citedByCounts())
        return;
    QStringList pmids;
    for (const ArticleRecord &article : m_session.articles())
        pmids.append(article.text(ArticleRecord::Key::PMID));
    askFor(pmids);
}

void CitedByCounts::askFor(const QStringList &pmids)
{
    if (pmids.isEmpty())
        return;
    m_waiting.enqueue(pmids);
    if (!m_transfer.isRunning() && !m_icite.isRunning())
        askNext();
}

void CitedByCounts::askNext()
{
    if (m_waiting.isEmpty())
        return;
    m_asked = m_waiting.dequeue();
    const SessionSettings &settings = m_session.settings();
    if (m_source == CitationSource::Pmc) {
        m_transfer.start(citedByCountsRequest(settings.endpoints, m_asked, settings.identity()));
        return;
    }
    m_icite.start(iciteRequests(settings.endpoints, m_asked),
                  [this](const QByteArray &body) { return store(iciteMetricsOutcome(body)); });
}

QString CitedByCounts::store(const CitedByCountsOutcome &outcome)
{
    if (outcome.error.isEmpty()) {
        m_counts.insert(outcome.counts);
        emit countsArrived();
    }
    return outcome.error;
}

void CitedByCounts::logFailure(const QString &reason) const
{
    systemLog(SearchMessages::citedByCountsFailed(m_asked.size()), reason);
}

void CitedByCounts::clear()
{
    m_transfer.cancel();
    m_icite.cancel();
    m_waiting.clear();
    m_asked.clear();
    m_counts.clear();
    m_source = m_session.settings().citationSource();
}
