#include "SystemLog.h"

#include <QDateTime>
#include <cstdio>

namespace {
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

void setSystemLogSink(SystemLogSink s)
{
    sink() = std::move(s);
}
