#include "entrez/RetryPolicy.h"

#include <QLocale>
#include <QTimeZone>

#include <algorithm>
#include <cmath>

namespace {

// Retry-After as delta-seconds or as an HTTP date; none when unreadable.
std::optional<qint64> retryAfterSeconds(const QByteArray &header, const QDateTime &nowUtc)
{
    const QByteArray text = header.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    bool number = false;
    const qint64 seconds = text.toLongLong(&number);
    if (number)
        return seconds >= 0 ? std::optional<qint64>(seconds) : std::nullopt;
    // HTTP's own date form first ("Wed, 09 Dec 2026 03:00:05 GMT"), then the mail forms.
    QDateTime when = QLocale::c().toDateTime(QString::fromLatin1(text), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
    when.setTimeZone(QTimeZone::utc());
    if (!when.isValid())
        when = QDateTime::fromString(QString::fromLatin1(text), Qt::RFC2822Date);
    if (!when.isValid())
        return std::nullopt;
    const qint64 ms = nowUtc.msecsTo(when);
    return std::max<qint64>(0, (ms + 999) / 1000);
}

} // namespace

std::optional<int> retryDelaySeconds(int httpStatus, const QByteArray &retryAfter, int retriesDone,
                                     const RetryPolicy &policy, const QDateTime &nowUtc)
{
    const bool busy = httpStatus == 429 || httpStatus == 502 || httpStatus == 503 || httpStatus == 504;
    if (!busy || retriesDone >= policy.maxRetries)
        return std::nullopt;
    if (const std::optional<qint64> asked = retryAfterSeconds(retryAfter, nowUtc))
        return int(std::min<qint64>(*asked, policy.maxRetryAfterSeconds));
    return 1 << std::min(retriesDone, 20);
}
