#include "library/RecordRefresh.h"

#include "library/LibraryMessages.h"
#include "library/LibraryStore.h"

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
    connect(&m_download, &LibraryDownload::progress, this, &RecordRefresh::progress);
    connect(&m_download, &LibraryDownload::failed, this, &RecordRefresh::failed);
    connect(&m_download, &LibraryDownload::finished, this, [this] {
        // What is left was asked for and never came back.
        m_report.gone = m_storedXml.keys();
        std::sort(m_report.gone.begin(), m_report.gone.end());
        emit finished(m_report);
    });
}

bool RecordRefresh::start(qint64 collection)
{
    m_error.clear();
    if (isRunning())
        return false;
    const std::optional<QHash<qint64, QByteArray>> xml = m_store.articleXml(collection);
    const std::optional<QList<StoredArticle>> articles = xml ? m_store.articles(collection) : std::nullopt;
    if (!articles) {
        m_error = m_store.error();
        return false;
    }
    m_storedXml = *xml;
    m_wasRetracted.clear();
    QList<qint64> pmids;
    for (const StoredArticle &article : *articles) {
        const qint64 pmid = article.record.text(ArticleRecord::Key::PMID).toLongLong();
        m_wasRetracted.insert(pmid, article.record.isRetracted());
        pmids.append(pmid);
    }
    m_report = {};
    if (pmids.isEmpty()) {
        // Nothing to ask for; the caller still hears the end, as for any other.
        QMetaObject::invokeMethod(this, [this] { emit finished(m_report); }, Qt::QueuedConnection);
        return true;
    }
    return m_download.start(pmids);
}

void RecordRefresh::onBatch(const QList<ArticleToStore> &articles)
{
    QList<ArticleToStore> changed;
    QList<qint64> changedPmids;
    QList<qint64> retracted;
    for (const ArticleToStore &article : articles) {
        const qint64 pmid = article.record.text(ArticleRecord::Key::PMID).toLongLong();
        const auto stored = m_storedXml.constFind(pmid);
        if (stored == m_storedXml.cend())
            continue;
        if (*stored != article.xml) {
            changed.append(article);
            changedPmids.append(pmid);
            if (article.record.isRetracted() && !m_wasRetracted.value(pmid))
                retracted.append(pmid);
        }
        m_storedXml.erase(stored);
    }
    if (!changed.isEmpty() && !m_store.replaceArticles(changed)) {
        m_download.cancel();
        emit failed(m_store.error());
        return;
    }
    m_report.changed += changedPmids;
    m_report.retracted += retracted;
}
