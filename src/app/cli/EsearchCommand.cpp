#include "CliCommands.h"

#include "entrez/SearchResultParser.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

QByteArray jsonArray(const QStringList &strings)
{
    return QJsonDocument(QJsonArray::fromStringList(strings)).toJson(QJsonDocument::Compact);
}

QByteArray jsonString(const QString &text)
{
    const QByteArray array = jsonArray({text});
    return array.mid(1, array.size() - 2);
}

} // namespace

int runEsearchCommand(const QStringList &args)
{
    if (args.size() != 1) {
        writeStderrLine(QStringLiteral("Usage: vexmoor-cli esearch FILE (or - for standard input)"));
        return 2;
    }
    const std::optional<QByteArray> bytes = readCliInput(args.first());
    if (!bytes)
        return 1;
    const std::optional<SearchResult> result = searchResultFromResponse(*bytes);
    if (!result) {
        writeStderrLine(QStringLiteral("vexmoor-cli: %1 holds no ESearch result (no document, or no Count in it)").arg(args.first()));
        return 1;
    }
    writeStdout("{\"PMIDs\": " + jsonArray(result->PMIDs) + ", \"totalCount\": " + jsonString(result->totalCount)
                + ", \"retrievedCount\": " + QByteArray::number(result->retrievedCount) + "}\n");
    return 0;
}
