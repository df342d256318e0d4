#pragma once

#include "library/LibraryDownload.h"

#include <QHash>
#include <QObject>
#include <QQueue>
#include <QSet>

class LibraryStore;

// What an update of a collection's records found, by PMID, each list in
// the order the records arrived.
struct RefreshReport
{
    QList<qint64> changed;   // records whose XML differs from the stored one (or could not be read)
    QList<qint64> retracted; // of those, records that are retracted now and were not
    QList<qint64> gone;      // PMIDs PubMed no longer returned
    QString summary() const;
};

// Fetches a collection's articles again and replaces the stored records and
// XML of those that changed, notes kept, one transaction per batch. The
// collection goes batch by batch: each batch's stored XML is read as it
// arrives and compared off the window's thread, one record at a time, so
// neither the whole collection's XML nor a damaged record's is ever held.
// Ends with exactly one of finished() or failed(), unless cancel() comes
// first; the batches stored before a cancel or a failure stay stored.
class RecordRefresh : public QObject
{
    Q_OBJECT

public:
    RecordRefresh(LibraryStore &store, const Endpoints &endpoints = {}, QObject *parent = nullptr);

    LibraryDownload &download() { return m_download; }
    // False, with the reason in failed() not emitted but in error(), when the
    // collection cannot be read or a refresh runs.
    bool start(qint64 collection);
    // Nothing more is stored or emitted; a batch being compared is dropped.
    void cancel();
    bool isRunning() const { return m_running; }
    const QString &error() const { return m_error; }
    // What the batches stored so far changed; after a cancel, what stays.
    const RefreshReport &report() const { return m_report; }

signals:
    // Each batch once stored: how many of the `total` PMIDs were asked for so far.
    void progress(qsizetype done, qsizetype total);
    void finished(const RefreshReport &report);
    void failed(const QString &message);

private:
    struct Batch
    {
        QList<ArticleToStore> articles;
        QHash<qint64, StoredVersion> stored;
        qsizetype done = 0;
    };
    void onBatch(const QList<ArticleToStore> &articles);
    void compareNext();
    void stop();
    void fail(const QString &message);

    LibraryStore &m_store;
    LibraryDownload m_download;
    QSet<qint64> m_waiting;  // asked for and not arrived yet
    QQueue<Batch> m_batches; // arrived, waiting to be compared
    qsizetype m_total = 0;
    bool m_running = false;
    bool m_comparing = false;
    bool m_downloaded = false;
    quint64 m_run = 0; // counts starts and stops, so a stale comparison lands nowhere
    RefreshReport m_report;
    QString m_error;
};
