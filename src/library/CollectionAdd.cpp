#include "library/CollectionAdd.h"

#include "library/LibraryStore.h"

CollectionAdd::CollectionAdd(LibraryStore &store, const Endpoints &endpoints, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_download(endpoints)
{
    connect(&m_download, &LibraryDownload::batchArrived, this, &CollectionAdd::onBatch);
    connect(&m_download, &LibraryDownload::progress, this, &CollectionAdd::progress);
    connect(&m_download, &LibraryDownload::failed, this, &CollectionAdd::failed);
    connect(&m_download, &LibraryDownload::finished, this, [this] {
        QList<qint64> missing;
        for (const qint64 pmid : std::as_const(m_asked)) {
            if (!m_arrived.contains(pmid))
                missing.append(pmid);
        }
        emit finished(m_arrived.size(), missing);
    });
}

bool CollectionAdd::start(qint64 collection, const QList<qint64> &pmids)
{
    if (isRunning())
        return false;
    m_collection = collection;
    m_asked.clear();
    m_wanted.clear();
    m_arrived.clear();
    // Each once, in the order given.
    for (const qint64 pmid : pmids) {
        if (!m_wanted.contains(pmid)) {
            m_wanted.insert(pmid);
            m_asked.append(pmid);
        }
    }
    return m_download.start(m_asked);
}

void CollectionAdd::onBatch(const QList<ArticleToStore> &articles)
{
    QList<ArticleToStore> asked;
    for (const ArticleToStore &article : articles) {
        const qint64 pmid = article.record.text(ArticleRecord::Key::PMID).toLongLong();
        // An answer may hold a record nobody asked for; it is not added.
        if (m_wanted.contains(pmid)) {
            if (!m_arrived.contains(pmid))
                asked.append(article);
            m_arrived.insert(pmid);
        }
    }
    if (!m_store.addArticles(m_collection, asked)) {
        m_download.cancel();
        emit failed(m_store.error());
        return;
    }
    emit added(m_arrived.size(), m_asked.size());
}
