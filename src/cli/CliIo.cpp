#include "cli/CliCommands.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <unistd.h>

bool openCliInput(const QString &path, QFile &file)
{
    const bool opened = path == QLatin1String("-")
        ? file.open(STDIN_FILENO, QIODevice::ReadOnly | QIODevice::Unbuffered)
        : (file.setFileName(path), file.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    if (!opened)
        reportReadError(path, file);
    return opened;
}

void reportReadError(const QString &path, const QFile &file)
{
    writeStderrLine(QStringLiteral("vexmoor-cli: cannot read %1: %2").arg(path, file.errorString()));
}

std::optional<QByteArray> readCliInput(const QString &path)
{
    QFile file;
    if (!openCliInput(path, file))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        reportReadError(path, file);
        return std::nullopt;
    }
    return bytes;
}

namespace {

// The first failure to write standard output, as an errno value; 0 while none.
int g_stdoutErrno = 0;

void noteStdoutFailure()
{
    if (g_stdoutErrno == 0)
        g_stdoutErrno = errno != 0 ? errno : EIO;
}

bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control;
}

} // namespace

void writeStdout(const QByteArray &bytes)
{
    errno = 0;
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()))
        noteStdoutFailure();
}

bool stdoutWritten()
{
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        noteStdoutFailure();
    return g_stdoutErrno == 0;
}

bool finishStdout()
{
    if (stdoutWritten())
        return true;
    writeStderrLine(QStringLiteral("vexmoor-cli: cannot write standard output: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(g_stdoutErrno))));
    return false;
}

void writeStderrLine(const QString &line)
{
    // Much of what is reported comes from the network (a reason phrase, a
    // record's text), and a terminal would obey the control characters in it.
    QString shown;
    shown.reserve(line.size());
    for (const QChar c : line) {
        if (isControl(c))
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    const QByteArray bytes = shown.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

QString withoutControls(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (!isControl(c) || c == u'\n' || c == u'\t')
            out += c;
    }
    return out;
}

QString oneField(const QString &text)
{
    return withoutControls(text).simplified();
}
