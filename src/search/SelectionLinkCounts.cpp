#include "search/SelectionLinkCounts.h"

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
    connect(&m_transfer, &EutilsTransfer::failed, this, [this](const QString &reason) { logFailure(reason); });
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

void SelectionLinkCounts::onAnswer()
{
    const std::optional<ElinkAnswer> answer = elinkAnswerFromResponse(m_transfer.takeBody());
    const QString error = answer ? answer->errorMessage() : EntrezMessages::notALinkSet();
    if (!error.isEmpty()) {
        logFailure(error);
        return;
    }
    const ArticleLinkCounts counts{orderedLinks(*answer, LinkKind::CitedBy, {m_asked}).size(),
                                   orderedLinks(*answer, LinkKind::References, {m_asked}).size(),
                                   orderedLinks(*answer, LinkKind::Similar, {m_asked}).size()};
    m_known.insert(m_asked, counts);
    if (m_asked == m_selected)
        emit countsKnown(m_asked, counts);
}

void SelectionLinkCounts::logFailure(const QString &reason) const
{
    systemLog(QStringLiteral("Link counts of PMID %1 not found: %2").arg(m_asked, reason));
}
