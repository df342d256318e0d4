#pragma once

#include "common/Endpoints.h"
#include "entrez/ArticleDownload.h"
#include "library/StoredArticle.h"

#include <QObject>

// Downloads the articles of many PMIDs for the library, batch by batch
// through the paced EFetch of ArticleDownload, each with its own XML. A
// started download ends with exactly one of finished() or failed(), unless
// cancel() comes first: then nothing more is emitted.
class LibraryDownload : public QObject
{
    Q_OBJECT

public:
    static constexpr int kDefaultBatchSize = 200;

    explicit LibraryDownload(const Endpoints &endpoints = {}, QObject *parent = nullptr);

    void setIdentity(const EutilsIdentity &identity) { m_download.setIdentity(identity); }
    void setLimiter(RequestLimiter &limiter) { m_download.setLimiter(limiter); }
    void setRetryPolicy(const RetryPolicy &policy) { m_download.setRetryPolicy(policy); }
    void setBatchSize(int size) { m_batchSize = qBound(1, size, kMaxBatchSize); }

    // False (nothing emitted) while one runs or when `pmids` is empty.
    bool start(const QList<qint64> &pmids);
    void cancel();
    bool isRunning() const { return m_running; }
    // How many of the PMIDs were asked for so far: when a batch arrives, up to its end.
    qsizetype asked() const { return m_next; }

signals:
    // One batch's articles, in the answer's order; PMIDs PubMed does not
    // know are missing from it.
    void batchArrived(const QList<ArticleToStore> &articles);
    void progress(qsizetype done, qsizetype total);
    void retryScheduled(int seconds);
    void finished();
    void failed(const QString &message);

private:
    void startBatch();
    void onBatchFinished();

    ArticleDownload m_download;
    std::string m_elinkBase;
    QList<qint64> m_pmids;
    qsizetype m_next = 0;
    int m_batchSize = kDefaultBatchSize;
    bool m_running = false;
};
