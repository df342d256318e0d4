#include "timeline/YearCountsDownload.h"

#include "entrez/EntrezMessages.h"
#include "entrez/EsearchClient.h"
#include "entrez/SearchResultParser.h"

YearCountsDownload::YearCountsDownload(const SessionSettings &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_transfer(m_manager)
{
    m_transfer.setLimits(m_settings.limits);
    m_transfer.setRetryPolicy(m_settings.retries);
    connect(&m_transfer, &EutilsTransfer::finished, this, &YearCountsDownload::onAnswer);
    connect(&m_transfer, &EutilsTransfer::failed, this, [this](const QString &reason) {
        emit failed(withoutApiKey(reason, m_settings.identity()));
    });
}

bool YearCountsDownload::start(const QString &query, const TimelinePlan &plan)
{
    cancel();
    m_term = prepareQueryTerm(query);
    if (m_term.isEmpty())
        return false;
    m_query = query;
    m_plan = plan;
    askNext();
    return true;
}

void YearCountsDownload::cancel()
{
    m_transfer.cancel();
}

void YearCountsDownload::askNext()
{
    const std::optional<YearSpan> span = m_plan->next();
    if (!span) {
        emit finished();
        return;
    }
    m_transfer.start(countRequest(m_settings.endpoints, m_term, m_settings.identity(), span->from, span->to));
}

void YearCountsDownload::onAnswer()
{
    const std::optional<qint64> count = countFromResponse(m_transfer.takeBody());
    if (!count) {
        emit failed(EntrezMessages::notACount());
        return;
    }
    m_plan->answer(*count);
    // The next request is under way before anyone hears of this one, so
    // that the download never looks finished in between.
    const bool more = m_plan->next().has_value();
    if (more)
        askNext();
    emit progressed();
    if (!more)
        emit finished();
}
