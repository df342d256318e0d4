#include "entrez/ArticleDownload.h"

#include <algorithm>
#include <limits>
#include <utility>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// The allocator keeps what a large answer's reading freed (on its helper
// thread's heap too) for later use; a tab holding its articles for hours
// should not hold that as well.
void releaseFreedMemory(int32_t articles)
{
#ifdef __GLIBC__
    constexpr int32_t kLargeAnswer = 1000;
    if (articles >= kLargeAnswer)
        malloc_trim(0);
#else
    Q_UNUSED(articles);
#endif
}

} // namespace

double downloadProgress(qint64 receivedBytes, int32_t pmidsCount)
{
    // The product wraps as 32-bit arithmetic would, without signed overflow.
    const auto expected = int32_t(uint32_t(pmidsCount) * uint32_t(kEstimatedBytesPerArticle));
    const float value = float(receivedBytes) / float(expected) * 100.0f;
    return double(value);
}

ArticleDownload::ArticleDownload(const Endpoints &endpoints, QObject *parent)
    : QObject(parent)
    , m_endpoints(endpoints)
    , m_transfer(m_manager)
{
    connect(&m_transfer, &EutilsTransfer::retryScheduled, this, &ArticleDownload::retryScheduled);
    connect(&m_transfer, &EutilsTransfer::retrying, this, &ArticleDownload::retrying);
    connect(&m_transfer, &EutilsTransfer::responseStarted, this, [this] {
        forgetArticles();
        emit responseStarted();
    });
    connect(&m_transfer, &EutilsTransfer::bytesReceived, this, [this](qint64 bodyLength) {
        emit progress(downloadProgress(bodyLength, m_pmidsCount));
    });
    connect(&m_transfer, &EutilsTransfer::finished, this, [this] {
        if (m_reader) {
            m_readResult = m_reader->finish();
            // Its buffers and trees served this answer only.
            m_reader.reset();
            releaseFreedMemory(m_pmidsCount);
        }
        emit finished();
    });
    connect(&m_transfer, &EutilsTransfer::failed, this, [this](const QString &reason, const QUrl &failingUrl, int) {
        forgetArticles();
        emit failed(reason, failingUrl.toString());
    });
}

bool ArticleDownload::start(const QStringList &pmids)
{
    if (isRunning() || pmids.isEmpty())
        return false;
    m_pmidsCount = int32_t(pmids.size());
    forgetArticles();
    TransferLimits limits = m_limits;
    if (limits.deadlineMs > 0) {
        const qint64 deadline = limits.deadlineMs + qint64(pmids.size()) * kEfetchDeadlinePerArticleMs;
        limits.deadlineMs = int(std::min<qint64>(deadline, std::numeric_limits<int>::max()));
    }
    m_transfer.setLimits(limits);
    return m_transfer.start(efetchRequest(m_endpoints, pmids, m_identity));
}

void ArticleDownload::cancel()
{
    m_transfer.cancel();
    forgetArticles();
}

void ArticleDownload::readArticlesWhileReceiving(std::string elinkBase)
{
    m_elinkBase = std::move(elinkBase);
    m_transfer.setBodyConsumer([this](const QByteArray &bytes) {
        // Made for each answer, and dropped when it has been read.
        if (!m_reader)
            m_reader = std::make_unique<EfetchStreamReader>(
                m_elinkBase, [this](ArticleRecord &&record) { m_articles.append(std::move(record)); });
        m_reader->append(std::string_view(bytes.constData(), size_t(bytes.size())));
    });
}

qsizetype ArticleDownload::takeArticles(ArticleList &articles)
{
    const qsizetype result = std::exchange(m_readResult, 0);
    if (result > 0)
        articles.append(std::move(m_articles));
    m_articles.clear();
    return result;
}

void ArticleDownload::forgetArticles()
{
    m_reader.reset(); // waits for the helper, which fills m_articles
    m_articles.clear();
    m_readResult = 0;
}
