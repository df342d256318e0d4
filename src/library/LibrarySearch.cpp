#include "library/LibrarySearch.h"

#include "library/LibraryStore.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>

#include <sys/stat.h>

namespace {

// What the search's thread hands over, run on the thread of the LibrarySearch.
class Delivery : public QEvent
{
public:
    explicit Delivery(std::function<void()> run) : QEvent(type()), run(std::move(run)) {}
    static QEvent::Type type()
    {
        static const auto registered = QEvent::Type(QEvent::registerEventType());
        return registered;
    }
    const std::function<void()> run;
};

// The file now at `path`: another one once a damaged library was moved aside.
std::pair<dev_t, ino_t> fileAt(const QString &path)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return {status.st_dev, status.st_ino};
}

} // namespace

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
        m_reading = true;
    }
    m_wake.notify_all();
    return number;
}

bool LibrarySearch::event(QEvent *event)
{
    if (event->type() != Delivery::type())
        return QObject::event(event);
    static_cast<Delivery *>(event)->run();
    return true;
}

void LibrarySearch::deliver(quint64 number, std::function<void()> emitter, int priority)
{
    QCoreApplication::postEvent(this, new Delivery([this, number, emitter = std::move(emitter)] {
                                    if (!stale(number))
                                        emitter();
                                }),
                                priority);
}

void LibrarySearch::run()
{
    // Kept open from one search to the next, while the file is the same.
    LibraryStore store(m_path);
    std::pair<dev_t, ino_t> opened;
    std::unique_lock lock(m_mutex);
    while (true) {
        m_wake.wait(lock, [this] { return m_stopping || m_next; });
        if (m_stopping)
            return;
        const Job job = std::move(*m_next);
        m_next.reset();
        lock.unlock();
        if (!store.isOpen() || fileAt(m_path) != opened) {
            opened = fileAt(m_path);
            store.openToRead();
        }
        search(store, job);
        lock.lock();
        m_reading = m_next.has_value();
    }
}

void LibrarySearch::search(LibraryStore &store, const Job &job)
{
    // A newer search starts at once, not after this one's next batch.
    store.interruptWhen([this, number = job.number] { return stale(number); });
    Passages passages;
    const std::optional<PmidList> pmids =
        store.isOpen() ? store.searchArticles(job.text, job.collection, kEsearchRecordLimit, &passages) : std::nullopt;
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
        if (from == 0) {
            deliver(
                job.number,
                [this, number = job.number, pmids = *pmids, records, passages] { emit found(number, pmids, records, passages); },
                Qt::NormalEventPriority);
        } else {
            // After the window has painted what it was given: its update
            // requests wait at the low priority.
            deliver(job.number, [this, number = job.number, records, last] { emit more(number, records, last); },
                    Qt::LowEventPriority - 1);
        }
        from += count;
    }
    if (!pmids || !stored)
        deliver(job.number, [this, number = job.number, reason = store.error()] { emit failed(number, reason); },
                Qt::NormalEventPriority);
}
