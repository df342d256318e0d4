#include "library/RecordRefresh.h"

#include "common/Background.h"
#include "library/LibraryMessages.h"
#include "library/LibraryStore.h"
#include "library/StoredXml.h"

#include <algorithm>

namespace {

struct BatchChanges
{
    QList<ArticleToStore> articles;
    QList<qint64> pmids;
    QList<qint64> retracted;
};

// One record at a time: at most one stored XML is inflated at once, within
// the size it states.
BatchChanges changesIn(const QList<ArticleToStore> &articles, const QHash<qint64, StoredVersion> &stored)
{
    BatchChanges changes;
    for (const ArticleToStore &article : articles) {
        const qint64 pmid = article.record.text(ArticleRecord::Key::PMID).toLongLong();
        const auto version = stored.constFind(pmid);
        // Removed from the library since it was asked for.
        if (version == stored.cend())
            continue;
        // A stored XML that cannot be read is replaced by the fresh one.
        const std::optional<QByteArray> xml = StoredXml::uncompressed(version->compressedXml);
        if (xml && *xml == article.xml)
            continue;
        changes.articles.append(article);
        changes.pmids.append(pmid);
        if (article.record.isRetracted() && !version->retracted)
            changes.retracted.append(pmid);
    }
    return changes;
}

} // namespace

QString RefreshReport::summary() const
{
    return LibraryMessages::refreshed(changed.size(), retracted.size(), gone.size());
}

RecordRefresh::RecordRefresh(LibraryStore &store, const Endpoints &endpoints, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_download(endpoints)
{
    connect(&m_download, &LibraryDownload::batchArrived, this, &RecordRefresh::onBatch);
    connect(&m_download, &LibraryDownload::failed, this, &RecordRefresh::fail);
    connect(&m_download, &LibraryDownload::finished, this, [this] {
        m_downloaded = true;
        compareNext();
    });
}

bool RecordRefresh::start(qint64 collection)
{
    m_error.clear();
    if (isRunning())
        return false;
    const std::optional<PmidList> pmids = m_store.collectionPmids(collection);
    if (!pmids) {
        m_error = m_store.error();
        return false;
    }
    m_waiting = QSet<qint64>(pmids->cbegin(), pmids->cend());
    m_total = pmids->size();
    m_batches.clear();
    m_report = {};
    m_comparing = false;
    m_downloaded = pmids->isEmpty();
    m_running = true;
    ++m_run;
    // Nothing to ask for: the caller still hears the end, as for any other.
    if (m_downloaded)
        QMetaObject::invokeMethod(this, &RecordRefresh::compareNext, Qt::QueuedConnection);
    else
        m_download.start(*pmids);
    return true;
}

void RecordRefresh::cancel()
{
    m_download.cancel();
    stop();
}

void RecordRefresh::stop()
{
    m_running = false;
    m_batches.clear();
    m_comparing = false;
    ++m_run;
}

void RecordRefresh::fail(const QString &message)
{
    m_download.cancel();
    stop();
    emit failed(message);
}

void RecordRefresh::onBatch(const QList<ArticleToStore> &articles)
{
    Batch batch;
    PmidList pmids;
    for (const ArticleToStore &article : articles) {
        const qint64 pmid = article.record.text(ArticleRecord::Key::PMID).toLongLong();
        // Only what was asked for, each once.
        if (m_waiting.remove(pmid)) {
            batch.articles.append(article);
            pmids.append(pmid);
        }
    }
    // Read now, compressed: what the library holds when the batch arrives.
    const std::optional<QHash<qint64, StoredVersion>> stored = m_store.storedVersions(pmids);
    if (!stored) {
        fail(m_store.error());
        return;
    }
    batch.stored = *stored;
    batch.done = m_download.asked();
    m_batches.enqueue(std::move(batch));
    compareNext();
}

void RecordRefresh::compareNext()
{
    if (!m_running || m_comparing)
        return;
    if (m_batches.isEmpty()) {
        if (!m_downloaded)
            return;
        // What is left was asked for and never came back.
        m_report.gone = m_waiting.values();
        std::sort(m_report.gone.begin(), m_report.gone.end());
        stop();
        emit finished(m_report);
        return;
    }
    const Batch batch = m_batches.dequeue();
    m_comparing = true;
    runInBackground(
        this, [batch] { return changesIn(batch.articles, batch.stored); },
        [this, run = m_run, done = batch.done](const BatchChanges &changes) {
            if (run != m_run)
                return;
            m_comparing = false;
            if (!changes.articles.isEmpty() && !m_store.replaceArticles(changes.articles)) {
                fail(m_store.error());
                return;
            }
            m_report.changed += changes.pmids;
            m_report.retracted += changes.retracted;
            emit progress(done, m_total);
            // A receiver may have cancelled or started again.
            if (run == m_run)
                compareNext();
        });
}
