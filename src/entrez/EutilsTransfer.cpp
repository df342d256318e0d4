#include "entrez/EutilsTransfer.h"

#include <algorithm>
#include <climits>

EutilsTransfer::EutilsTransfer(QNetworkAccessManager &manager, QObject *parent)
    : QObject(parent)
    , m_transfer(manager)
    , m_limiter(&RequestLimiter::shared())
    , m_active(m_limiter)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_state == State::BackingOff) {
            setState(State::Pacing);
            emit retrying();
            if (m_state != State::Pacing)
                return;
        }
        // A request the limiter let go early is already on the wire.
        if (m_state == State::Pacing)
            sendWhenAllowed();
    });
    connect(&m_transfer, &HttpTransfer::responseStarted, this, &EutilsTransfer::responseStarted);
    connect(&m_transfer, &HttpTransfer::bytesReceived, this, &EutilsTransfer::bytesReceived);
    connect(&m_transfer, &HttpTransfer::finished, this, [this] {
        onTransferEnded();
        emit finished();
    });
    connect(&m_transfer, &HttpTransfer::failed, this, &EutilsTransfer::onFailed);
}

EutilsTransfer::~EutilsTransfer()
{
    cancel();
}

bool EutilsTransfer::start(const EutilsRequest &request)
{
    if (isRunning())
        return false;
    m_request = request;
    // Another service keeps its own pace, apart from the E-utilities'.
    m_active = request.servicePace > 0 ? &RequestLimiter::forHost(request.url.host()) : m_limiter;
    m_retriesDone = 0;
    m_retrying = false;
    setState(State::Pacing);
    // Later, not now: a caller learns of the outcome only through signals.
    m_timer.start(0);
    return true;
}

void EutilsTransfer::cancel()
{
    m_timer.stop();
    QObject::disconnect(m_limiterConnection);
    if (m_state == State::Sending) {
        m_transfer.cancel();
        m_active->abandon(m_ticket);
    }
    setState(State::Idle);
}

void EutilsTransfer::setState(State state)
{
    if (m_state == state)
        return;
    if (m_retrying && m_state != State::Pacing)
        m_retrySpentMs += m_stateClock.elapsed();
    m_stateClock.start();
    m_state = state;
    emit stateChanged();
}

void EutilsTransfer::sendWhenAllowed()
{
    QObject::disconnect(m_limiterConnection);
    const qint64 delay = m_active->tryAcquire(m_request.requestsPerSecond(),
                                              m_request.url.host() + u':' + QString::number(m_request.url.port(443)), m_ticket);
    if (delay > 0) {
        // Look again when the time has come or an earlier request has ended.
        m_limiterConnection = connect(m_active, &RequestLimiter::released, this, [this] {
            if (m_state == State::Pacing)
                sendWhenAllowed();
        });
        m_timer.start(int(std::min<qint64>(delay, INT_MAX)));
        return;
    }
    m_timer.stop();
    setState(State::Sending);
    TransferLimits limits = m_limits;
    if (m_retriesDone > 0) {
        const int left = int(std::clamp<qint64>(allowanceLeftMs(), 1, INT_MAX));
        limits.deadlineMs = limits.deadlineMs > 0 ? std::min(limits.deadlineMs, left) : left;
    }
    m_transfer.setLimits(limits);
    m_transfer.setRedirects(m_request.httpsRedirects ? HttpTransfer::Redirects::HttpsOnly : HttpTransfer::Redirects::SameOrigin);
    m_transfer.start(m_request.url, m_request.postBody);
}

qint64 EutilsTransfer::allowanceLeftMs() const
{
    const qint64 spent = m_retrySpentMs + (m_state == State::Pacing ? 0 : m_stateClock.elapsed());
    return qint64(m_policy.retryAllowanceSeconds) * m_policy.msPerSecond - spent;
}

void EutilsTransfer::onTransferEnded()
{
    m_active->release(m_ticket);
    setState(State::Idle);
}

void EutilsTransfer::onFailed(const QString &reason, const QUrl &failingUrl, int status)
{
    m_active->release(m_ticket);
    const std::optional<int> wait =
        retryDelaySeconds(status, m_transfer.retryAfter(), m_retriesDone, m_policy, QDateTime::currentDateTimeUtc());
    if (!m_retrying) {
        m_retrying = true;
        m_retrySpentMs = 0;
        m_stateClock.start();
    }
    if (!wait || qint64(*wait) * m_policy.msPerSecond >= allowanceLeftMs()) {
        setState(State::Idle);
        const EutilsIdentity &identity = m_request.identity;
        emit failed(withoutApiKey(reason, identity), QUrl(withoutApiKey(failingUrl.toString(), identity)), status);
        return;
    }
    ++m_retriesDone;
    setState(State::BackingOff);
    m_timer.start(*wait * m_policy.msPerSecond);
    emit retryScheduled(*wait);
}
