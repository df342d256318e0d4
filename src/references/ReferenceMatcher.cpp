#include "references/ReferenceMatcher.h"

#include "entrez/BlockingFetcher.h"
#include "entrez/CitationMatch.h"
#include "entrez/EsearchClient.h"
#include "entrez/PmidSearch.h"
#include "references/ReferenceMessages.h"
#include "references/ReferenceQuery.h"

ReferenceMatcher::ReferenceMatcher(const Endpoints &endpoints, QObject *parent)
    : QObject(parent)
    , m_endpoints(endpoints)
    , m_ids(endpoints)
{
    connect(&m_ids, &IdConversion::retryScheduled, this, &ReferenceMatcher::retryScheduled);
    connect(&m_requests, &RequestSequence::retryScheduled, this, &ReferenceMatcher::retryScheduled);
    connect(&m_ids, &IdConversion::finished, this, [this](const QHash<QString, ConvertedIds> &known) {
        for (const qsizetype index : open()) {
            const ParsedReference &reference = m_parsed.at(index);
            for (const QString &key : {articleIdKey(ArticleIdType::Pmcid, reference.pmcid), articleIdKey(ArticleIdType::Doi, reference.doi)}) {
                if (!key.isEmpty() && !known.value(key).pmid.isEmpty()) {
                    setFound(index, ReferenceMatch::How::Identifier, known.value(key).pmid);
                    break;
                }
            }
        }
        matchCitations();
    });
    connect(&m_ids, &IdConversion::failed, this, [this](const QString &reason) {
        m_outcome.errors.append(ReferenceMessages::identifierLookupFailed(reason));
        matchCitations();
    });
}

void ReferenceMatcher::setLimits(const TransferLimits &limits)
{
    m_ids.setLimits(limits);
    m_requests.setLimits(limits);
}

void ReferenceMatcher::setRetryPolicy(const RetryPolicy &policy)
{
    m_ids.setRetryPolicy(policy);
    m_requests.setRetryPolicy(policy);
}

bool ReferenceMatcher::start(const QStringList &references)
{
    if (m_running)
        return false;
    m_running = true;
    m_outcome = {};
    m_parsed.clear();
    for (const QString &text : references) {
        m_parsed.append(parseReference(text));
        ReferenceMatch match;
        match.text = m_parsed.last().text;
        if (!m_parsed.last().looksLikeReference())
            match.how = ReferenceMatch::How::NotAReference;
        m_outcome.matches.append(match);
        if (!m_parsed.last().pmid.isEmpty())
            setFound(m_outcome.matches.size() - 1, ReferenceMatch::How::Identifier, m_parsed.last().pmid);
    }
    m_ids.setEmail(m_identity.email);
    // Through the event loop, so that the caller hears the end after start() returns.
    QMetaObject::invokeMethod(this, &ReferenceMatcher::convertIdentifiers, Qt::QueuedConnection);
    return true;
}

void ReferenceMatcher::cancel()
{
    m_running = false;
    m_ids.cancel();
    m_requests.cancel();
}

QList<qsizetype> ReferenceMatcher::open() const
{
    QList<qsizetype> open;
    for (qsizetype i = 0; i < m_outcome.matches.size(); ++i) {
        const ReferenceMatch &match = m_outcome.matches.at(i);
        if (!match.found() && match.how != ReferenceMatch::How::NotAReference)
            open.append(i);
    }
    return open;
}

void ReferenceMatcher::setFound(qsizetype index, ReferenceMatch::How how, const QString &pmid)
{
    ReferenceMatch &match = m_outcome.matches[index];
    match.how = how;
    match.pmid = pmid;
    match.candidates.clear();
}

void ReferenceMatcher::convertIdentifiers()
{
    if (!m_running)
        return;
    IdConversion::Ids ids;
    for (const qsizetype index : open()) {
        const ParsedReference &reference = m_parsed.at(index);
        if (!reference.pmcid.isEmpty())
            ids.append({ArticleIdType::Pmcid, reference.pmcid});
        else if (!reference.doi.isEmpty())
            ids.append({ArticleIdType::Doi, reference.doi});
    }
    if (ids.isEmpty()) {
        matchCitations();
        return;
    }
    emit stepStarted(ReferenceMessages::convertingIdentifiers(ids.size()));
    m_ids.start(ids);
}

void ReferenceMatcher::matchCitations()
{
    if (!m_running)
        return;
    m_asked.clear();
    QStringList lines;
    for (const qsizetype index : open()) {
        if (canMatchCitation(m_parsed.at(index))) {
            // The key is the reference's place in the list, echoed in the answer.
            lines.append(citationMatchLine(citationPartsOf(m_parsed.at(index), QString::number(index))));
            m_asked.append(index);
        }
    }
    if (lines.isEmpty()) {
        search();
        return;
    }
    QList<EutilsRequest> requests;
    for (qsizetype from = 0; from < lines.size(); from += kEcitmatchMaxCitations)
        requests.append(ecitmatchRequest(m_endpoints, lines.mid(from, kEcitmatchMaxCitations), m_identity));
    emit stepStarted(ReferenceMessages::matchingCitations(lines.size()));
    runStep(requests, &ReferenceMatcher::search, &ReferenceMessages::citationMatchFailed, [this](const QByteArray &body) {
        const CitationMatchAnswer answer = citationMatchAnswerFrom(body);
        for (const CitationMatchResult &result : answer.results) {
            bool isIndex = false;
            const qsizetype index = result.key.toLongLong(&isIndex);
            if (isIndex && m_asked.contains(index) && !result.pmid.isEmpty() && !m_outcome.matches.at(index).found())
                setFound(index, ReferenceMatch::How::CitationMatch, result.pmid);
        }
        return answer.error;
    });
}

void ReferenceMatcher::search()
{
    if (!m_running)
        return;
    m_asked.clear();
    m_answered = 0;
    QList<EutilsRequest> requests;
    for (const qsizetype index : open()) {
        const QString term = searchTermOf(m_parsed.at(index));
        if (term.isEmpty())
            continue;
        requests.append(esearchRequest(m_endpoints, prepareQueryTerm(term), 0, kMaxCandidates, m_identity));
        m_asked.append(index);
    }
    if (requests.isEmpty()) {
        finish();
        return;
    }
    emit stepStarted(ReferenceMessages::searching(requests.size()));
    runStep(requests, &ReferenceMatcher::finish, &ReferenceMessages::searchFailed, [this](const QByteArray &body) {
        FetchResult fetched;
        fetched.body = body;
        const PmidSearchOutcome outcome = pmidSearchOutcome(fetched, kMaxCandidates);
        const qsizetype index = m_asked.value(m_answered++, -1);
        if (!outcome.result || index < 0) {
            // One refused search leaves its reference unmatched, not the others.
            m_outcome.errors.append(ReferenceMessages::searchFailed(outcome.error));
            return QString();
        }
        const QStringList &pmids = outcome.result->PMIDs;
        if (pmids.size() == 1 && outcome.result->totalCount.toLongLong() == 1) {
            setFound(index, ReferenceMatch::How::Search, pmids.constFirst());
        } else if (!pmids.isEmpty()) {
            m_outcome.matches[index].how = ReferenceMatch::How::Ambiguous;
            m_outcome.matches[index].candidates = pmids;
        }
        return QString();
    });
}

void ReferenceMatcher::runStep(const QList<EutilsRequest> &requests, void (ReferenceMatcher::*next)(),
                               QString (*failure)(const QString &reason), RequestSequence::Take take)
{
    disconnect(&m_requests, &RequestSequence::finished, this, nullptr);
    disconnect(&m_requests, &RequestSequence::failed, this, nullptr);
    connect(&m_requests, &RequestSequence::finished, this, next);
    connect(&m_requests, &RequestSequence::failed, this, [this, next, failure](const QString &reason) {
        m_outcome.errors.append(failure(reason));
        (this->*next)();
    });
    m_requests.start(requests, std::move(take));
}

void ReferenceMatcher::finish()
{
    if (!m_running)
        return;
    m_running = false;
    emit finished(m_outcome);
}
