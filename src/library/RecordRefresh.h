#pragma once

#include "library/LibraryDownload.h"

#include <QHash>
#include <QObject>

class LibraryStore;

// What an update of a collection's records found, by PMID, each list in
// the order the records arrived.
struct RefreshReport
{
    QList<qint64> changed;   // records whose XML differs from the stored one
    QList<qint64> retracted; // of those, records that are retracted now and were not
    QList<qint64> gone;      // PMIDs PubMed no longer returned
    QString summary() const;
};

// Fetches a collection's articles again and replaces the stored records and
// XML of those that changed, notes kept, one transaction per batch. Ends
// with exactly one of finished() or failed(), unless cancel() comes first;
// the batches stored before a cancel or a failure stay stored.
class RecordRefresh : public QObject
{
    Q_OBJECT

public:
    RecordRefresh(LibraryStore &store, const Endpoints &endpoints = {}, QObject *parent = nullptr);

    LibraryDownload &download() { return m_download; }
    // False, with the reason in failed() not emitted but in error(), when the
    // collection cannot be read, is empty, or a refresh runs.
    bool start(qint64 collection);
    void cancel() { m_download.cancel(); }
    bool isRunning() const { return m_download.isRunning(); }
    const QString &error() const { return m_error; }
    // What the batches stored so far changed; after a cancel, what stays.
    const RefreshReport &report() const { return m_report; }

signals:
    void progress(qsizetype done, qsizetype total);
    void finished(const RefreshReport &report);
    void failed(const QString &message);

private:
    void onBatch(const QList<ArticleToStore> &articles);

    LibraryStore &m_store;
    LibraryDownload m_download;
    QHash<qint64, QByteArray> m_storedXml;
    QHash<qint64, bool> m_wasRetracted;
    RefreshReport m_report;
    QString m_error;
};
