#include "CliCommands.h"

#include <QFile>

#include <cstdio>

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

void writeStdout(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void writeStderrLine(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}
