#pragma once

#include "common/Endpoints.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <utility>

class QNetworkAccessManager;
class QNetworkReply;

// How long a transfer may stay silent, how large its answer may grow, and how
// long it may last in all (0: no limit).
struct TransferLimits
{
    int timeoutMs = kNetworkTimeoutMs;
    qint64 maxBytes = kMaxAnswerBytes;
    int deadlineMs = kRequestDeadlineMs;
};

// Redirects followed within one transfer; a loop ends as a failure after this.
inline constexpr int kMaxRedirects = 5;

// The body is read this much at a time, and the network layer holds at most
// a few such pieces ahead of it: a reader slower than the network then slows
// the sender down instead of the answer piling up in memory.
inline constexpr qint64 kReadPieceBytes = qint64(1) << 20;
inline constexpr qint64 kReadAheadBytes = 4 * kReadPieceBytes;

// One asynchronous GET with the guards every request of the application needs:
// - the transfer fails when no byte arrives for `timeoutMs` (restarted on every
//   response and every piece of data, so a long download that keeps moving is
//   not cut off), and when it has not ended `deadlineMs` after it started, so
//   a server sending a byte now and then cannot hold it forever;
// - an answer announced or grown beyond `maxBytes` is aborted at once, so it is
//   never held in memory;
// - redirects are followed at most kMaxRedirects times and never from HTTPS to
//   HTTP; with Redirects::SameOrigin only to the same scheme, host and port,
//   with Redirects::HttpsOnly only to an https address; TLS errors are
//   failures and are never ignored;
// - any final status outside 2xx is a failure: an error page is not an answer;
// - a transfer ended by its deadline reports no HTTP status, as nothing was
//   answered in full;
// - a body shorter than its Content-Length is a failure, even where the
//   network layer reports a connection closed early as a normal end.
// Exactly one of finished() or failed() ends a started transfer; after cancel()
// nothing more is emitted.
class HttpTransfer : public QObject
{
    Q_OBJECT

public:
    explicit HttpTransfer(QNetworkAccessManager &manager, QObject *parent = nullptr);
    ~HttpTransfer() override;

    void setLimits(const TransferLimits &limits) { m_limits = limits; }
    enum class Redirects {
        NoDowngrade, // anywhere but from HTTPS to HTTP
        // Only within the origin of the request: a request that carries the
        // user's credentials must not take them to another host.
        SameOrigin,
        // Anywhere over https: a file another service points at often moves
        // between hosts, but is never fetched in the clear.
        HttpsOnly,
    };
    void setRedirects(Redirects redirects) { m_redirects = redirects; }
    const TransferLimits &limits() const { return m_limits; }

    // Starts a GET for `url`, or a form POST of `postBody` when that is not
    // null; false (and no signal) while a transfer runs.
    bool start(const QUrl &url, const QByteArray &postBody = QByteArray());
    void cancel();
    bool isRunning() const { return m_reply != nullptr; }

    // Hands each piece of the body to `consume` as it arrives instead of
    // holding it (body() then stays empty); a new response or redirect is
    // announced by responseStarted() as before. Set before start().
    void setBodyConsumer(std::function<void(const QByteArray &bytes)> consume) { m_consume = std::move(consume); }

    // The body received so far for the current response.
    const QByteArray &body() const { return m_body; }
    QByteArray takeBody() { return std::exchange(m_body, {}); }
    // Status of the last response, 0 before one arrived.
    int httpStatus() const { return m_status; }
    // The Retry-After header of the last response, empty when it had none.
    QByteArray retryAfter() const { return m_retryAfter; }

signals:
    // A new response or a redirect began; the body held so far was discarded.
    void responseStarted();
    // New bytes were appended; `bodyLength` is the size of the body now.
    void bytesReceived(qint64 bodyLength);
    void finished();
    void failed(const QString &reason, const QUrl &failingUrl, int httpStatus);

private:
    void onMetaDataChanged();
    void onRedirected(const QUrl &target);
    void onReadyRead();
    void onFinished();
    void fail(const QString &reason);
    void release();

    QNetworkAccessManager &m_manager;
    TransferLimits m_limits;
    Redirects m_redirects = Redirects::NoDowngrade;
    QNetworkReply *m_reply = nullptr;
    QByteArray m_body;
    qint64 m_bodySize = 0; // bytes of the current response's body, held or handed on
    std::function<void(const QByteArray &)> m_consume;
    int m_status = 0;
    QByteArray m_retryAfter;
    qint64 m_announcedLength = -1; // Content-Length of the current response, -1 when none
    QUrl m_url;
    QTimer m_idleTimer;
    QTimer m_deadlineTimer;
};

// "the service answered HTTP 503 Service Unavailable": the reason given for
// an error status, saying what came back instead of an answer.
QString httpStatusReason(int status, const QByteArray &reasonPhrase);
