#include "search/SelectionFullTextSources.h"

#include "search/SelectionLinkCounts.h"

#include <algorithm>

SelectionFullTextSources::SelectionFullTextSources(const SessionSettings &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
{
    m_rest.setSingleShot(true);
    m_rest.setInterval(SelectionLinkCounts::kRestMs);
    connect(&m_rest, &QTimer::timeout, this, &SelectionFullTextSources::ask);
}

SelectionFullTextSources::~SelectionFullTextSources()
{
    stop();
}

void SelectionFullTextSources::select(const FullTextArticle &article)
{
    if (article.pmid == m_selected.pmid)
        return;
    m_selected = article;
    m_rest.stop();
    stop();
    if (!article.pmid.isEmpty() && !m_known.contains(article.pmid))
        m_rest.start();
}

std::optional<QList<FullTextSource>> SelectionFullTextSources::sourcesOf(const QString &pmid) const
{
    const auto found = m_known.constFind(pmid);
    return found == m_known.cend() ? std::nullopt : std::optional(*found);
}

bool SelectionFullTextSources::hasFreeSource(const QString &pmid) const
{
    const QList<FullTextSource> sources = m_known.value(pmid);
    return std::any_of(sources.cbegin(), sources.cend(), [](const FullTextSource &source) { return source.free; });
}

void SelectionFullTextSources::stop()
{
    if (!m_lookup)
        return;
    m_lookup->cancel();
    m_lookup->deleteLater();
    m_lookup = nullptr;
}

void SelectionFullTextSources::ask()
{
    const EutilsIdentity identity = m_settings.identity();
    m_lookup = new FullTextFetch(m_settings.endpoints, this);
    m_lookup->setLookupOnly(true);
    m_lookup->setRetryPolicy(m_settings.retries);
    m_lookup->setIdentity(identity);
    m_lookup->setEmail(identity.email);
    connect(m_lookup, &FullTextFetch::articleDone, this, [this](const FullTextOutcome &outcome) {
        // A lookup that failed midway would hide sources that exist.
        if (!outcome.reason.isEmpty() && outcome.sources.isEmpty())
            return;
        m_known.insert(outcome.pmid, outcome.sources);
        emit sourcesKnown(outcome.pmid, outcome.sources);
    });
    connect(m_lookup, &FullTextFetch::finished, this, [this] { stop(); });
    m_lookup->start({m_selected});
}
