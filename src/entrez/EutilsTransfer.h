#pragma once

#include "entrez/EutilsRequest.h"
#include "entrez/HttpTransfer.h"
#include "entrez/RequestLimiter.h"
#include "entrez/RetryPolicy.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QNetworkAccessManager;

// One E-utilities request, asynchronous, as the service wants it sent: it
// waits for its place in the process's request limiter (a request to another
// service, in the limiter of that service's host), and a busy answer
// (429, 502, 503, 504) is asked again after the policy's wait, as long as the
// retries fit in the policy's allowance; E-utilities requests carry the user's
// key, so redirects stay within the request's origin. The guards of
// HttpTransfer apply to every attempt. Exactly one of finished() or failed()
// ends a started request; after cancel() nothing more is emitted. While it
// waits nothing is on the wire.
class EutilsTransfer : public QObject
{
    Q_OBJECT

public:
    explicit EutilsTransfer(QNetworkAccessManager &manager, QObject *parent = nullptr);
    ~EutilsTransfer() override;

    void setLimits(const TransferLimits &limits) { m_limits = limits; }
    void setLimiter(RequestLimiter &limiter) { m_limiter = &limiter; }
    void setRetryPolicy(const RetryPolicy &policy) { m_policy = policy; }
    // As HttpTransfer's: the body's pieces go to `consume` as they arrive.
    // Each attempt begins with responseStarted(), so a reader can start over.
    void setBodyConsumer(std::function<void(const QByteArray &bytes)> consume) { m_transfer.setBodyConsumer(std::move(consume)); }

    // Starts the request; false (and no signal) while one runs.
    bool start(const EutilsRequest &request);
    void cancel();
    bool isRunning() const { return m_state != State::Idle; }
    // Paced or backing off: nothing is on the wire.
    bool isWaiting() const { return m_state == State::Pacing || m_state == State::BackingOff; }

    const QByteArray &body() const { return m_transfer.body(); }
    QByteArray takeBody() { return m_transfer.takeBody(); }
    int httpStatus() const { return m_transfer.httpStatus(); }

signals:
    // A busy answer came; the request is asked again in `seconds` s.
    void retryScheduled(int seconds);
    // The retried request is on its way.
    void retrying();
    // The request began or ended waiting, was sent, ended or was cancelled.
    void stateChanged();
    void responseStarted();
    void bytesReceived(qint64 bodyLength);
    void finished();
    void failed(const QString &reason, const QUrl &failingUrl, int httpStatus);

private:
    enum class State { Idle, Pacing, Sending, BackingOff };
    void setState(State state);
    void sendWhenAllowed();
    void onTransferEnded();
    void onFailed(const QString &reason, const QUrl &failingUrl, int status);
    void releasePlace();
    // Milliseconds of the retry allowance left; only while retrying. Waits
    // for the limiter are the process's pace, not this request's, and do not
    // count.
    qint64 allowanceLeftMs() const;

    HttpTransfer m_transfer;
    TransferLimits m_limits;
    RequestLimiter *m_limiter;
    // The limiter of the request under way: m_limiter, or another service's host's.
    RequestLimiter *m_active;
    RetryPolicy m_policy;
    EutilsRequest m_request;
    QTimer m_timer;
    State m_state = State::Idle;
    int m_retriesDone = 0;
    bool m_retrying = false;    // the first attempt failed
    qint64 m_retrySpentMs = 0;  // backing off and sending since then, before the current state
    QElapsedTimer m_stateClock; // since the current state began
    RequestLimiter::Ticket m_ticket = 0;
    QMetaObject::Connection m_limiterConnection;
};
