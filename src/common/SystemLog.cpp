#include "SystemLog.h"

#include <QDateTime>
#include <cstdio>

namespace {
constexpr char kHex[] = "0123456789ABCDEF";

SystemLogSink &sink()
{
    static SystemLogSink s;
    return s;
}
} // namespace

void systemLog(const QString &message)
{
    if (sink()) {
        sink()(message);
        return;
    }
    const QByteArray line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + " vexmoor: "
        + message.toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    if (!line.endsWith('\n'))
        std::fputc('\n', stderr);
    std::fflush(stderr);
}

namespace {
QString escaped(const QString &text, bool keepLayout)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (keepLayout && (u == u'\n' || u == u'\r' || u == u'\t'))
            escaped += c;
        else if (u == u'\n')
            escaped += QLatin1String("\\n");
        else if (u < 0x20 || (u >= 0x7f && u < 0xa0))
            escaped += QLatin1String("\\x") + QLatin1Char(kHex[u >> 4]) + QLatin1Char(kHex[u & 0xf]);
        else
            escaped += c;
    }
    return escaped;
}
} // namespace

QString logEscaped(const QString &text)
{
    return escaped(text, false);
}

QString controlsEscaped(const QString &text)
{
    return escaped(text, true);
}

void setSystemLogSink(SystemLogSink s)
{
    sink() = std::move(s);
}
