#include "CliCommands.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {
const char kUsage[] =
    "Usage: vexmoor-cli COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  esearch FILE       Read a saved ESearch answer (FILE, or - for standard input) and print\n"
    "                     {\"PMIDs\": [...], \"totalCount\": \"...\", \"retrievedCount\": N}.\n"
    "  efetch FILE        Read a saved EFetch answer and print one JSON object per article.\n"
    "  cite FILE [--format plain|rtf|html]\n"
    "                     Read a saved EFetch answer and print the citations of its articles.\n"
    "  search QUERY [--batch N] [--all] [--format json|plain|rtf|html] [--eutils URL]\n"
    "                     Search PubMed and print the records or citations of the first batch\n"
    "                     (or of every batch with --all).\n"
    "\n"
    "Exit status: 0 on success, 1 on a failure, 2 on a usage error.\n";
}

std::optional<QByteArray> readCliInput(const QString &path)
{
    QFile file;
    const bool opened = path == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                    : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened) {
        writeStderrLine(QStringLiteral("vexmoor-cli: cannot read %1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        writeStderrLine(QStringLiteral("vexmoor-cli: cannot read %1: %2").arg(path, file.errorString()));
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

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vexmoor-cli"));
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        std::fputs(kUsage, args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? 2 : 0;
    }
    const QString command = args.takeFirst();
    int status = 2;
    if (command == QLatin1String("esearch"))
        status = runEsearchCommand(args);
    else if (command == QLatin1String("efetch"))
        status = runEfetchCommand(args);
    else if (command == QLatin1String("cite"))
        status = runCiteCommand(args);
    else if (command == QLatin1String("search"))
        status = runSearchCommand(args);
    else {
        writeStderrLine(QStringLiteral("vexmoor-cli: unknown command \"%1\"").arg(command));
        std::fputs(kUsage, stderr);
    }
    std::fflush(stdout);
    return status;
}
