#pragma once

#include "library/StoredArticle.h"

#include <functional>

#include <QHash>
#include <QObject>

class LibraryStore;

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

// The window's offline search, on a thread of its own with a read-only
// connection of its own, so that typing and painting never wait for the file.
// A search hands over the PMIDs of its best matches with the records of the
// first of them, which a tab shows at once, then the records of the rest, a
// batch at a time. A newer search, or the end of this object, drops what an
// older one had left to do; its signals are never emitted.
class LibrarySearch : public QObject
{
    Q_OBJECT

public:
    // More than a window shows before it is scrolled.
    static constexpr qsizetype kFirstRecords = 100;
    // Small enough that a newer search does not wait long for the last one.
    static constexpr qsizetype kBatchRecords = 500;
    // By PMID, the passage of a kept full text that matched, its words
    // between FullTextHit::kHitStart and kHitEnd.
    using Passages = QHash<qint64, QString>;

    explicit LibrarySearch(QString path, QObject *parent = nullptr);
    ~LibrarySearch() override;

    // Searches `text` in `collection`, or the whole library; returns the
    // search's number, which its signals carry.
    quint64 start(const QString &text, std::optional<qint64> collection);
    // Whether a search is still being read; once not, all it found is on its
    // way to this object's thread.
    bool isReading() const { return m_reading; }

protected:
    bool event(QEvent *event) override;

signals:
    // The best matches, best first, with the records of the first of them
    // and the passages of those found in their kept full texts.
    void found(quint64 search, const PmidList &pmids, const ArticleList &first, const LibrarySearch::Passages &passages);
    // The records of the next matches, in order; `last` with the last of them.
    void more(quint64 search, const ArticleList &records, bool last);
    void failed(quint64 search, const QString &reason);

private:
    struct Job
    {
        quint64 number;
        QString text;
        std::optional<qint64> collection;
    };
    void run();
    void search(LibraryStore &store, const Job &job);
    bool stale(quint64 number) const { return m_stopping || m_latest != number; }
    // Runs `emitter` on this object's thread unless the search is stale by
    // then, in the order of `priority` among the events waiting there.
    void deliver(quint64 number, std::function<void()> emitter, int priority);

    const QString m_path;
    std::atomic<quint64> m_latest = 0;
    std::atomic_bool m_stopping = false;
    std::atomic_bool m_reading = false;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<Job> m_next;
    std::thread m_thread; // last: it ends before the rest goes
};
