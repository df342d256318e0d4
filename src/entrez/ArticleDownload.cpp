#include "entrez/ArticleDownload.h"

double downloadProgress(qint64 receivedBytes, int32_t pmidsCount)
{
    // The product wraps as 32-bit arithmetic would, without signed overflow.
    const auto expected = int32_t(uint32_t(pmidsCount) * uint32_t(kEstimatedBytesPerArticle));
    const float value = float(receivedBytes) / float(expected) * 100.0f;
    return double(value);
}

QUrl efetchUrl(const Endpoints &endpoints, const QStringList &pmids)
{
    QString url = endpoints.eutilsOrigin() + QLatin1String(Paths::EFetch);
    for (const QString &pmid : pmids)
        url += QLatin1String("&id=") + pmid;
    return QUrl(url);
}

ArticleDownload::ArticleDownload(const Endpoints &endpoints, QObject *parent)
    : QObject(parent)
    , m_endpoints(endpoints)
    , m_transfer(m_manager)
{
    connect(&m_transfer, &HttpTransfer::responseStarted, this, &ArticleDownload::responseStarted);
    connect(&m_transfer, &HttpTransfer::bytesReceived, this, [this](qint64 bodyLength) {
        emit progress(downloadProgress(bodyLength, m_pmidsCount));
    });
    connect(&m_transfer, &HttpTransfer::finished, this, &ArticleDownload::finished);
    connect(&m_transfer, &HttpTransfer::failed, this, [this](const QString &reason, const QUrl &failingUrl, int) {
        emit failed(reason, failingUrl.toString());
    });
}

bool ArticleDownload::start(const QStringList &pmids)
{
    if (isRunning() || pmids.isEmpty())
        return false;
    m_pmidsCount = int32_t(pmids.size());
    return m_transfer.start(efetchUrl(m_endpoints, pmids));
}

void ArticleDownload::cancel()
{
    m_transfer.cancel();
}
