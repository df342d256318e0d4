#pragma once

#include "entrez/EutilsRequest.h"
#include "entrez/EutilsTransfer.h"

#include <QNetworkAccessManager>
#include <QObject>

#include <functional>

// Sends requests one after another, each when its limiter lets it go (the
// process's E-utilities limiter, or for another service the limiter of its
// host) and retried as every request is. Each answer's body goes to `take`,
// in order, which returns why it cannot be used (empty when it can). Ends
// with exactly one of finished() or failed() (the transfer's reason or
// take's), always after start() returned; after cancel() nothing more is
// emitted.
class RequestSequence : public QObject
{
    Q_OBJECT

public:
    using Take = std::function<QString(const QByteArray &body)>;

    explicit RequestSequence(QObject *parent = nullptr);

    void setLimits(const TransferLimits &limits) { m_transfer.setLimits(limits); }
    void setRetryPolicy(const RetryPolicy &policy) { m_transfer.setRetryPolicy(policy); }

    // False (and nothing happens) while a sequence runs.
    bool start(QList<EutilsRequest> requests, Take take);
    void cancel();
    bool isRunning() const { return m_running; }

signals:
    void retryScheduled(int seconds);
    void finished();
    void failed(const QString &reason);

private:
    void next();
    void fail(const QString &reason);

    QNetworkAccessManager m_manager;
    EutilsTransfer m_transfer;
    QList<EutilsRequest> m_requests;
    qsizetype m_next = 0;
    Take m_take;
    bool m_running = false;
};
