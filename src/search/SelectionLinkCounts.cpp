#include "search/SelectionLinkCounts.h"

#include "common/Background.h"
#include "common/SystemLog.h"
#include "entrez/EntrezMessages.h"
#include "entrez/LinkKind.h"

SelectionLinkCounts::SelectionLinkCounts(const SessionSettings &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_transfer(m_manager)
{
    m_transfer.setLimits(m_settings.limits);
    m_transfer.setRetryPolicy(m_settings.retries);
    m_rest.setSingleShot(true);
    m_rest.setInterval(kRestMs);
    connect(&m_rest, &QTimer::timeout, this, &SelectionLinkCounts::ask);
    connect(&m_transfer, &EutilsTransfer::finished, this, &SelectionLinkCounts::onAnswer);
    connect(&m_transfer, &EutilsTransfer::failed, this, [this](const QString &reason) { logFailure(m_asked, reason); });
}

void SelectionLinkCounts::select(const QString &pmid)
{
    if (pmid == m_selected)
        return;
    m_selected = pmid;
    m_rest.stop();
    m_transfer.cancel();
    if (pmid.isEmpty())
        return;
    if (!m_known.contains(pmid))
        m_rest.start();
}

std::optional<ArticleLinkCounts> SelectionLinkCounts::countsOf(const QString &pmid) const
{
    const auto known = m_known.constFind(pmid);
    return known == m_known.cend() ? std::nullopt : std::optional<ArticleLinkCounts>(*known);
}

void SelectionLinkCounts::ask()
{
    m_asked = m_selected;
    m_transfer.start(elinkRequest(m_settings.endpoints, {{m_asked}, QString(), false, false}, m_settings.identity()));
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
             orderedLinks(*answer, LinkKind::Similar, {pmid}).size()},
            {}};
}
} // namespace

void SelectionLinkCounts::onAnswer()
{
    const QString pmid = m_asked;
    runInBackground(
        this, [body = m_transfer.takeBody(), pmid] { return countsIn(body, pmid); },
        [this, pmid](const CountsOutcome &outcome) {
            if (!outcome.error.isEmpty()) {
                logFailure(pmid, outcome.error);
                return;
            }
            m_known.insert(pmid, outcome.counts);
            if (pmid == m_selected)
                emit countsKnown(pmid, outcome.counts);
        });
}

void SelectionLinkCounts::logFailure(const QString &pmid, const QString &reason) const
{
    systemLog(QStringLiteral("Link counts of PMID %1 not found: %2").arg(pmid, reason));
}
