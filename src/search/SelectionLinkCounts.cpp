#include "search/SelectionLinkCounts.h"

#include "common/Background.h"
#include "common/SystemLog.h"
#include "entrez/EntrezMessages.h"
#include "entrez/LinkKind.h"
#include "services/Icite.h"

namespace {

ArticleLinkCounts countsFrom(const CitationMetrics &metrics)
{
    return {metrics.citedBy.value_or(0), metrics.references.value_or(0), 0, metrics.rcr, metrics.nihPercentile};
}

} // namespace

SelectionLinkCounts::SelectionLinkCounts(const SessionSettings &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_transfer(m_manager)
    , m_knownSource(settings.citationSource())
{
    m_transfer.setLimits(m_settings.limits);
    m_transfer.setRetryPolicy(m_settings.retries);
    m_icite.setLimits(m_settings.limits);
    m_icite.setRetryPolicy(m_settings.retries);
    m_rest.setSingleShot(true);
    m_rest.setInterval(kRestMs);
    connect(&m_rest, &QTimer::timeout, this, &SelectionLinkCounts::ask);
    connect(&m_transfer, &EutilsTransfer::finished, this, &SelectionLinkCounts::onAnswer);
    connect(&m_transfer, &EutilsTransfer::failed, this, [this](const QString &reason) { logFailure(m_asked, reason); });
    connect(&m_icite, &RequestSequence::failed, this, [this](const QString &reason) { logFailure(m_asked, reason); });
}

void SelectionLinkCounts::select(const QString &pmid)
{
    const CitationSource source = m_settings.citationSource();
    if (source != m_knownSource) {
        m_known.clear();
        m_knownSource = source;
        m_selected.clear();
    }
    if (pmid == m_selected)
        return;
    m_selected = pmid;
    m_rest.stop();
    m_transfer.cancel();
    m_icite.cancel();
    if (!pmid.isEmpty() && !m_known.contains(pmid) && !takeKnown(pmid))
        m_rest.start();
}

bool SelectionLinkCounts::takeKnown(const QString &pmid)
{
    const std::optional<CitationMetrics> known =
        m_knownSource == CitationSource::Icite && m_knownMetrics ? m_knownMetrics(pmid) : std::nullopt;
    if (!known || !known->citedBy || !known->references)
        return false;
    m_known.insert(pmid, countsFrom(*known));
    return true;
}

std::optional<ArticleLinkCounts> SelectionLinkCounts::countsOf(const QString &pmid) const
{
    const auto known = m_known.constFind(pmid);
    return known == m_known.cend() ? std::nullopt : std::optional<ArticleLinkCounts>(*known);
}

void SelectionLinkCounts::ask()
{
    m_asked = m_selected;
    // The table's figures may have come while the selection rested.
    if (takeKnown(m_asked)) {
        emit countsKnown(m_asked, *countsOf(m_asked));
        return;
    }
    if (m_knownSource == CitationSource::Pmc) {
        m_transfer.start(elinkRequest(m_settings.endpoints, {{m_asked}, QString(), false, false}, m_settings.identity()));
        return;
    }
    m_icite.start(iciteRequests(m_settings.endpoints, {m_asked}), [this](const QByteArray &body) {
        const IciteAnswer answer = iciteAnswerFrom(body);
        for (const IciteRecord &record : answer.records) {
            if (record.pmid == m_asked)
                keep(m_asked, countsFrom(record.metrics));
        }
        return answer.error;
    });
}

namespace {
struct CountsOutcome
{
    ArticleLinkCounts counts;
    QString error;
};

// An answer of millions of links takes a while to read: never on the window's thread.
CountsOutcome countsIn(const QByteArray &body, const QString &pmid)
{
    const std::optional<ElinkAnswer> answer = elinkAnswerFromResponse(body);
    const QString error = answer ? answer->errorMessage() : EntrezMessages::notALinkSet();
    if (!error.isEmpty())
        return {{}, error};
    return {{orderedLinks(*answer, LinkKind::CitedBy, {pmid}).size(), orderedLinks(*answer, LinkKind::References, {pmid}).size(),
             orderedLinks(*answer, LinkKind::Similar, {pmid}).size(), std::nullopt, std::nullopt},
            {}};
}
} // namespace

void SelectionLinkCounts::onAnswer()
{
    const QString pmid = m_asked;
    runInBackground(
        this, [body = m_transfer.takeBody(), pmid] { return countsIn(body, pmid); },
        [this, pmid](const CountsOutcome &outcome) {
            if (outcome.error.isEmpty())
                keep(pmid, outcome.counts);
            else
                logFailure(pmid, outcome.error);
        });
}

void SelectionLinkCounts::keep(const QString &pmid, const ArticleLinkCounts &counts)
{
    m_known.insert(pmid, counts);
    if (pmid == m_selected)
        emit countsKnown(pmid, counts);
}

void SelectionLinkCounts::logFailure(const QString &pmid, const QString &reason) const
{
    systemLog(QStringLiteral("Link counts of PMID %1 not found: %2").arg(pmid, reason));
}
