#include "search/CitedByCounts.h"

#include "common/SystemLog.h"
#include "entrez/EntrezMessages.h"
#include "entrez/LinkKind.h"
#include "search/SearchMessages.h"

EutilsRequest citedByCountsRequest(const Endpoints &endpoints, const QStringList &pmids, const EutilsIdentity &identity)
{
    // A POST at any size: a batch's PMIDs stay out of every URL a message or a log might show.
    return asPost(elinkRequest(endpoints, {pmids, linkNameOf(LinkKind::CitedBy), true, false}, identity));
}

CitedByCountMap citedByCountsOf(const ElinkAnswer &answer)
{
    const QString linkName = linkNameOf(LinkKind::CitedBy);
    CitedByCountMap counts;
    for (const ElinkLinkSet &set : answer.linkSets) {
        // A union of several PMIDs says nothing about any one of them.
        if (set.askedPmids.size() == 1)
            counts.insert(set.askedPmids.constFirst(), set.links.value(linkName).size());
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

CitedByCounts::CitedByCounts(SearchSession &session)
    : QObject(&session)
    , m_session(session)
    , m_transfer(m_manager)
{
    m_transfer.setLimits(session.settings().limits);
    m_transfer.setRetryPolicy(session.settings().retries);
    connect(&m_transfer, &EutilsTransfer::finished, this, &CitedByCounts::onAnswer);
    connect(&m_transfer, &EutilsTransfer::failed, this, [this](const QString &reason) {
        logFailure(reason);
        askNext();
    });
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
    return known == m_counts.cend() ? std::nullopt : std::optional<qsizetype>(*known);
}

void CitedByCounts::askFor(const QStringList &pmids)
{
    if (pmids.isEmpty())
        return;
    m_waiting.enqueue(pmids);
    if (!m_transfer.isRunning())
        askNext();
}

void CitedByCounts::askNext()
{
    if (m_waiting.isEmpty())
        return;
    m_asked = m_waiting.dequeue();
    m_transfer.start(citedByCountsRequest(m_session.settings().endpoints, m_asked, m_session.settings().identity()));
}

void CitedByCounts::onAnswer()
{
    const CitedByCountsOutcome outcome = citedByCountsOutcome(m_transfer.takeBody());
    if (outcome.error.isEmpty()) {
        m_counts.insert(outcome.counts);
        emit countsArrived();
    } else {
        logFailure(outcome.error);
    }
    askNext();
}

void CitedByCounts::logFailure(const QString &reason) const
{
    systemLog(SearchMessages::citedByCountsFailed(m_asked.size()), reason);
}

void CitedByCounts::clear()
{
    m_transfer.cancel();
    m_waiting.clear();
    m_asked.clear();
    m_counts.clear();
}
