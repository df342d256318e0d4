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


int run(const CliCommand &, const CliParsedArguments &arguments)
{
    const QString path = arguments.positional().constFirst();
    const std::optional<QByteArray> bytes = readCliInput(path);
    if (!bytes)
        return 1;
    const std::optional<SearchResult> result = searchResultFromResponse(*bytes);
    if (!result) {
        writeStderrLine(QStringLiteral("vexmoor-cli: %1 holds no ESearch result (no document, or no Count in it)").arg(path));
        return 1;
    }
    writeStdout("{\"PMIDs\": " + jsonArray(result->PMIDs) + ", \"totalCount\": " + jsonString(result->totalCount)
                + ", \"retrievedCount\": " + QByteArray::number(result->retrievedCount) + "}\n");
    return 0;
}

} // namespace

CliCommand esearchCommand()
{
    return {
        {.name = QStringLiteral("esearch"),
         .summary = QStringLiteral("Print the PMIDs and counts of a saved ESearch answer."),
         .description = QStringLiteral(
             "Reads a saved ESearch answer, the XML the E-utilities send for a search, and prints one line of "
             "JSON: {\"PMIDs\": [...], \"totalCount\": \"...\", \"retrievedCount\": N}. The PMIDs are those "
             "of the answer's window, totalCount is the number of matches as the service wrote it, and "
             "retrievedCount is the number of PMIDs."),
         .arguments = {kSavedAnswerArgument},
         .examples = {{QStringLiteral("esearch esearch-answer.xml"),
                       QStringLiteral("Print the PMIDs and counts of a saved answer.")}}},
        run};
}
