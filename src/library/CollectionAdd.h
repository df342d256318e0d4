#pragma once

#include "library/LibraryDownload.h"

#include <QObject>
#include <QSet>

class LibraryStore;

// Downloads articles by PMID and adds them to a collection, one transaction
// per batch, so that a cancel or a failure keeps the batches already stored.
// Ends with exactly one of finished() or failed(), unless cancel() comes first.
class CollectionAdd : public QObject
{
    Q_OBJECT

public:
    CollectionAdd(LibraryStore &store, const Endpoints &endpoints = {}, QObject *parent = nullptr);

    LibraryDownload &download() { return m_download; }
    // False while one runs or when `pmids` is empty.
    bool start(qint64 collection, const QList<qint64> &pmids);
    void cancel() { m_download.cancel(); }
    bool isRunning() const { return m_download.isRunning(); }

signals:
    // Each batch once stored: how many of the `asked` are in so far.
    void added(qsizetype count, qsizetype asked);
    void progress(qsizetype done, qsizetype total);
    // `missing`: PMIDs PubMed did not return, in the order asked.
    void finished(qsizetype added, const QList<qint64> &missing);
    void failed(const QString &message);

private:
    void onBatch(const QList<ArticleToStore> &articles);

    LibraryStore &m_store;
    LibraryDownload m_download;
    qint64 m_collection = 0;
    QList<qint64> m_asked;
    QSet<qint64> m_wanted;
    QSet<qint64> m_arrived;
};
