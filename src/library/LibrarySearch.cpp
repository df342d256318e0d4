#include "library/LibrarySearch.h"

#include "library/LibraryStore.h"

LibrarySearch::LibrarySearch(QString path, QObject *parent)
    : QObject(parent), m_path(std::move(path)), m_thread([this] { run(); })
{
}

LibrarySearch::~LibrarySearch()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

quint64 LibrarySearch::start(const QString &text, std::optional<qint64> collection)
{
    const quint64 number = ++m_latest;
    {
        const std::lock_guard lock(m_mutex);
        m_next = Job{number, text, collection};
    }
    m_wake.notify_all();
    return number;
}

template<typename Emitter>
void LibrarySearch::deliver(quint64 number, Emitter emitter)
{
    QMetaObject::invokeMethod(
        this,
        [this, number, emitter = std::move(emitter)] {
            if (!stale(number))
                emitter();
        },
        Qt::QueuedConnection);
}

void LibrarySearch::run()
{
    std::unique_lock lock(m_mutex);
    while (true) {
        m_wake.wait(lock, [this] { return m_stopping || m_next; });
        if (m_stopping)
            return;
        const Job job = std::move(*m_next);
        m_next.reset();
        lock.unlock();
        search(job);
        lock.lock();
    }
}

void LibrarySearch::search(const Job &job)
{
    // Opened for each search: the window may have moved a damaged file aside
    // and started a new one since the last.
    LibraryStore store(m_path);
    const std::optional<PmidList> pmids = store.openToRead() ? store.searchArticles(job.text, job.collection) : std::nullopt;
    std::optional<QList<StoredArticle>> stored;
    for (qsizetype from = 0; pmids && (from == 0 || from < pmids->size()) && !stale(job.number);) {
        const qsizetype count = from == 0 ? kFirstRecords : kBatchRecords;
        if (!(stored = store.storedArticles(pmids->mid(from, count))))
            break;
        ArticleList records;
        records.reserve(stored->size());
        for (StoredArticle &article : *stored)
            records.append(std::move(article.record));
        const bool last = from + count >= pmids->size();
        if (from == 0)
            deliver(job.number, [this, number = job.number, pmids = *pmids, records] { emit found(number, pmids, records); });
        else
            deliver(job.number, [this, number = job.number, records, last] { emit more(number, records, last); });
        from += count;
    }
    if (!pmids || !stored)
        deliver(job.number, [this, number = job.number, reason = store.error()] { emit failed(number, reason); });
}
