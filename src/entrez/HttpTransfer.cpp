#include "entrez/HttpTransfer.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <algorithm>

QString httpStatusReason(int status, const QByteArray &reasonPhrase)
{
    const QString phrase = QString::fromLatin1(reasonPhrase).trimmed();
    const QString answer = phrase.isEmpty() ? QStringLiteral("HTTP %1").arg(status) : QStringLiteral("HTTP %1 %2").arg(status).arg(phrase);
    return QStringLiteral("the service answered ") + answer;
}

namespace {

bool isSameOrigin(const QUrl &a, const QUrl &b)
{
    const int defaultPort = a.scheme() == QLatin1String("https") ? 443 : 80;
    return a.scheme() == b.scheme() && a.host() == b.host() && a.port(defaultPort) == b.port(defaultPort);
}

} // namespace

HttpTransfer::HttpTransfer(QNetworkAccessManager &manager, QObject *parent)
    : QObject(parent)
    , m_manager(manager)
{
    m_idleTimer.setSingleShot(true);
    connect(&m_idleTimer, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("no answer within %1 s").arg(m_limits.timeoutMs / 1000.0));
    });
    m_deadlineTimer.setSingleShot(true);
    connect(&m_deadlineTimer, &QTimer::timeout, this, [this] {
        // A busy status announced before the trickle is not the outcome: the
        // request has had its time, and is not to be asked again.
        m_status = 0;
        fail(QStringLiteral("the answer did not arrive in full within %1 s").arg(m_limits.deadlineMs / 1000.0));
    });
}

HttpTransfer::~HttpTransfer()
{
    release();
}

bool HttpTransfer::start(const QUrl &url, const QByteArray &postBody)
{
    if (isRunning())
        return false;
    m_body.clear();
    m_bodySize = 0;
    m_status = 0;
    m_retryAfter.clear();
    m_announcedLength = -1;
    m_url = url;

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, m_redirects != Redirects::NoDowngrade
                                                                        ? QNetworkRequest::UserVerifiedRedirectPolicy
                                                                        : QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    if (postBody.isNull()) {
        m_reply = m_manager.get(request);
    } else {
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
        m_reply = m_manager.post(request, postBody);
    }
    m_reply->setReadBufferSize(kReadAheadBytes);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &HttpTransfer::onMetaDataChanged);
    connect(m_reply, &QNetworkReply::redirected, this, &HttpTransfer::onRedirected);
    connect(m_reply, &QNetworkReply::readyRead, this, &HttpTransfer::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &HttpTransfer::onFinished);
    m_idleTimer.start(m_limits.timeoutMs);
    if (m_limits.deadlineMs > 0)
        m_deadlineTimer.start(m_limits.deadlineMs);
    return true;
}

void HttpTransfer::cancel()
{
    release();
    m_body.clear();
}

void HttpTransfer::onMetaDataChanged()
{
    m_idleTimer.start(m_limits.timeoutMs);
    m_status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    m_retryAfter = m_reply->rawHeader(QByteArrayLiteral("Retry-After"));
    bool known = false;
    const qint64 announced = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (known && announced > m_limits.maxBytes) {
        fail(QStringLiteral("the answer announces %1 bytes, more than the limit of %2").arg(announced).arg(m_limits.maxBytes));
        return;
    }
    m_announcedLength = known ? announced : -1;
    m_body.clear();
    m_bodySize = 0;
    emit responseStarted();
}

void HttpTransfer::onRedirected(const QUrl &target)
{
    if (m_redirects != Redirects::NoDowngrade) {
        const QUrl to = m_url.resolved(target);
        const QString where = to.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo).toString();
        if (m_redirects == Redirects::SameOrigin && !isSameOrigin(m_url, to)) {
            fail(QStringLiteral("the service redirected the request to another address (%1), which is not followed").arg(where));
            return;
        }
        if (m_redirects == Redirects::HttpsOnly && to.scheme() != QLatin1String("https")) {
            fail(QStringLiteral("the service redirected the request to an address without https (%1), which is not followed").arg(where));
            return;
        }
        emit m_reply->redirectAllowed();
    }
    m_idleTimer.start(m_limits.timeoutMs);
    m_announcedLength = -1;
    m_body.clear();
    m_bodySize = 0;
    emit responseStarted();
}

void HttpTransfer::onReadyRead()
{
    m_idleTimer.start(m_limits.timeoutMs);
    bool received = false;
    // A consumer may cancel the transfer, and with it the reply.
    while (m_reply && m_reply->bytesAvailable() > 0) {
        const qint64 available = std::min(m_reply->bytesAvailable(), kReadPieceBytes);
        if (m_bodySize + available > m_limits.maxBytes) {
            fail(QStringLiteral("the answer is larger than the limit of %1 bytes").arg(m_limits.maxBytes));
            return;
        }
        const QByteArray bytes = m_reply->read(available);
        m_bodySize += bytes.size();
        received = true;
        if (m_consume)
            m_consume(bytes);
        else
            m_body += bytes;
    }
    if (received)
        emit bytesReceived(m_bodySize);
}

void HttpTransfer::onFinished()
{
    if (m_reply->bytesAvailable() > 0) {
        onReadyRead();
        if (!m_reply) // a receiver cancelled, or the size limit failed the transfer
            return;
    }
    m_status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray phrase = m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
    const QNetworkReply::NetworkError error = m_reply->error();
    if (m_status >= 400 || (error == QNetworkReply::NoError && (m_status < 200 || m_status > 299)))
        fail(httpStatusReason(m_status, phrase));
    else if (error != QNetworkReply::NoError)
        fail(m_reply->errorString());
    else if (m_announcedLength >= 0 && m_bodySize != m_announcedLength)
        fail(QStringLiteral("the answer ended after %1 of its %2 bytes").arg(m_bodySize).arg(m_announcedLength));
    else {
        release();
        emit finished();
    }
}

void HttpTransfer::fail(const QString &reason)
{
    const QUrl failingUrl = m_reply ? m_reply->url() : m_url;
    release();
    m_body.clear();
    emit failed(reason.isEmpty() ? QStringLiteral("the transfer failed") : reason, failingUrl, m_status);
}

void HttpTransfer::release()
{
    m_idleTimer.stop();
    m_deadlineTimer.stop();
    if (QNetworkReply *reply = std::exchange(m_reply, nullptr)) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}
