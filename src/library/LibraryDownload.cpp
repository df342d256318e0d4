#include "library/LibraryDownload.h"

#include "entrez/ArticleExtractor.h"
#include "entrez/EntrezMessages.h"
#include "library/LibraryMessages.h"

LibraryDownload::LibraryDownload(const Endpoints &endpoints, QObject *parent)
    : QObject(parent)
    , m_download(endpoints)
    , m_elinkBase(elinkBaseUrl(endpoints))
{
    connect(&m_download, &ArticleDownload::finished, this, &LibraryDownload::onBatchFinished);
    connect(&m_download, &ArticleDownload::retryScheduled, this, &LibraryDownload::retryScheduled);
    connect(&m_download, &ArticleDownload::failed, this, [this](const QString &description) {
        m_running = false;
        emit failed(LibraryMessages::downloadFailed(description));
    });
}

bool LibraryDownload::start(const QList<qint64> &pmids)
{
    if (m_running || pmids.isEmpty())
        return false;
    m_pmids = pmids;
    m_next = 0;
    m_running = true;
    startBatch();
    return true;
}

void LibraryDownload::cancel()
{
    m_running = false;
    m_download.cancel();
}

void LibraryDownload::startBatch()
{
    QStringList batch;
    const qsizetype end = std::min(m_pmids.size(), m_next + m_batchSize);
    for (qsizetype i = m_next; i < end; ++i)
        batch.append(QString::number(m_pmids.at(i)));
    m_next = end;
    if (!m_download.start(batch)) {
        m_running = false;
        emit failed(LibraryMessages::downloadFailed(EntrezMessages::transferNotStarted()));
    }
}

void LibraryDownload::onBatchFinished()
{
    QList<ArticleToStore> articles;
    if (appendArticlesToStore(m_download.takeBody(), articles, m_elinkBase) < 0) {
        m_running = false;
        emit failed(LibraryMessages::downloadFailed(LibraryMessages::unreadableAnswer()));
        return;
    }
    emit batchArrived(articles);
    // A receiver may have cancelled.
    if (!m_running)
        return;
    emit progress(m_next, m_pmids.size());
    if (!m_running)
        return;
    if (m_next < m_pmids.size()) {
        startBatch();
        return;
    }
    m_running = false;
    emit finished();
}
