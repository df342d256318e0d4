#include "search/QueryCounter.h"

#include "entrez/EntrezMessages.h"
#include "entrez/EsearchClient.h"
#include "entrez/SearchResultParser.h"

QueryCounter::QueryCounter(const SessionSettings &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_transfer(m_manager)
{
    m_transfer.setLimits(m_settings.limits);
    m_transfer.setRetryPolicy(m_settings.retries);
    connect(&m_transfer, &EutilsTransfer::finished, this, [this] {
        if (const std::optional<qint64> count = countFromResponse(m_transfer.takeBody()))
            emit counted(m_asked, *count);
        else
            emit failed(m_asked, EntrezMessages::notACount());
        askNext();
    });
    connect(&m_transfer, &EutilsTransfer::failed, this, [this](const QString &reason) {
        emit failed(m_asked, withoutApiKey(reason, m_settings.identity()));
        askNext();
    });
}

void QueryCounter::count(int key, const QString &query)
{
    const QString term = prepareQueryTerm(query);
    if (term.isEmpty())
        return;
    m_waiting.enqueue({key, term});
    if (!m_transfer.isRunning())
        askNext();
}

void QueryCounter::cancel()
{
    m_waiting.clear();
    m_transfer.cancel();
}

void QueryCounter::askNext()
{
    if (m_waiting.isEmpty())
        return;
    const auto [key, term] = m_waiting.dequeue();
    m_asked = key;
    m_transfer.start(countRequest(m_settings.endpoints, term, m_settings.identity()));
}
