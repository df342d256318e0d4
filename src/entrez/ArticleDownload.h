#pragma once

#include "common/Endpoints.h"
#include "entrez/EfetchStream.h"
#include "entrez/EutilsRequest.h"
#include "entrez/EutilsTransfer.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <cstdint>
#include <memory>
#include <string>

// The progress bar assumes this many bytes of answer per requested article.
inline constexpr int32_t kEstimatedBytesPerArticle = 9557;

// The progress estimate in single precision: the bytes received as a float,
// divided by the float of the 32-bit product of the PMID count and the
// per-article estimate, times 100. Not clamped: batches of long records pass 100.
double downloadProgress(qint64 receivedBytes, int32_t pmidsCount);

// Downloads the records of one batch of PMIDs with one EFetch request, paced
// and retried as EutilsTransfer does. At most one transfer runs at a time. A started transfer ends with exactly one
// of finished() or failed(), unless cancel() comes first: after cancel() nothing
// is emitted. A final HTTP error status is reported through failed() with the
// status in the description rather than handed on as a body: an error page
// holds no articles, and the user should learn that the download failed.
class ArticleDownload : public QObject
{
    Q_OBJECT

public:
    explicit ArticleDownload(const Endpoints &endpoints = {}, QObject *parent = nullptr);

    // Idle timeout, size limit and deadline; the application keeps the
    // defaults. The deadline grows by kEfetchDeadlinePerArticleMs per PMID of
    // the batch.
    void setLimits(const TransferLimits &limits) { m_limits = limits; }
    void setRetryPolicy(const RetryPolicy &policy) { m_transfer.setRetryPolicy(policy); }
    void setLimiter(RequestLimiter &limiter) { m_transfer.setLimiter(limiter); }
    // Who asks, for the requests started from now on.
    void setIdentity(const EutilsIdentity &identity) { m_identity = identity; }

    // Starts the download of `pmids`. Refused (false, nothing emitted) while a
    // transfer runs or when the list is empty. Every other problem, including a
    // request that cannot be sent at all, is reported through failed().
    bool start(const QStringList &pmids);
    void cancel();
    bool isRunning() const { return m_transfer.isRunning(); }
    // Hands over the answer after finished(), once. The answer can be large,
    // and its reader parses it in place, so it is handed over, not shared.
    QByteArray takeBody() { return m_transfer.takeBody(); }

    // From now on the answers are read while they arrive, their records
    // built with `elinkBase` for their links, and their bytes are not kept
    // (takeBody() gives nothing): when the last byte comes, only the last
    // piece is left to read.
    void readArticlesWhileReceiving(std::string elinkBase);
    // After finished(), when reading while receiving: appends the answer's
    // records to `articles` and returns what appendArticlesFromBytes would
    // for the whole answer (the count, 0, or -1 for invalid UTF-8).
    qsizetype takeArticles(ArticleList &articles);

signals:
    // A busy answer came; the batch is asked again in `seconds` s.
    void retryScheduled(int seconds);
    // The retried request is on its way.
    void retrying();
    // A new response or a redirect began; bytes received before were discarded.
    void responseStarted();
    void progress(double value);
    // The whole answer arrived; takeBody() has it.
    void finished();
    void failed(const QString &description, const QString &failingUrl);

private:
    void forgetArticles();

    Endpoints m_endpoints;
    QNetworkAccessManager m_manager;
    EutilsTransfer m_transfer;
    EutilsIdentity m_identity;
    TransferLimits m_limits;
    int32_t m_pmidsCount = 0;
    ArticleList m_articles; // filled by m_reader, on its helper thread or this one, while bytes arrive
    qsizetype m_readResult = 0;
    std::string m_elinkBase;
    std::unique_ptr<EfetchStreamReader> m_reader; // last: its helper ends before m_articles goes
};
