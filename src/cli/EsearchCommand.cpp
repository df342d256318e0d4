#include "cli/CliCommands.h"

#include "entrez/SearchResultParser.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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

QByteArray compactJson(const QJsonArray &array)
{
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

// Each part as the answer gave it: a list of objects, empty when the answer had none.
template <class Item, class ToObject>
QByteArray jsonObjects(const QList<Item> &items, ToObject toObject)
{
    QJsonArray array;
    for (const Item &item : items)
        array.append(toObject(item));
    return compactJson(array);
}

QJsonObject noticeObject(const QueryNotice &notice)
{
    return {{QStringLiteral("kind"), notice.kind}, {QStringLiteral("text"), notice.text}};
}

// What PubMed did with the query, as keys that follow the counts.
QByteArray queryDetailsJson(const SearchResult &result)
{
    return ", \"translation\": " + jsonString(result.translation) + ", \"expansions\": "
           + jsonObjects(result.expansions,
                         [](const TermExpansion &e) { return QJsonObject{{QStringLiteral("from"), e.from}, {QStringLiteral("to"), e.to}}; })
           + ", \"termCounts\": "
           + jsonObjects(result.termCounts,
                         [](const TermCount &t) {
                             return QJsonObject{{QStringLiteral("term"), t.term}, {QStringLiteral("field"), t.field},
                                                {QStringLiteral("count"), t.count}};
                         })
           + ", \"errors\": " + jsonObjects(result.errors, noticeObject) + ", \"warnings\": "
           + jsonObjects(result.warnings, noticeObject);
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
                + ", \"retrievedCount\": " + QByteArray::number(result->retrievedCount) + queryDetailsJson(*result) + "}\n");
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
             "JSON: {\"PMIDs\": [...], \"totalCount\": \"...\", \"retrievedCount\": N, \"translation\": \"...\", "
             "\"expansions\": [...], \"termCounts\": [...], \"errors\": [...], \"warnings\": [...]}. The PMIDs "
             "are those of the answer's window, totalCount is the number of matches as the service wrote it, and "
             "retrievedCount is the number of PMIDs. translation is the query as PubMed ran it; expansions "
             "lists each term with what was searched for it ({\"from\", \"to\"}); termCounts, given by older "
             "answers only, each translated term with its field and own count ({\"term\", \"field\", "
             "\"count\"}); errors and warnings what PubMed could not use or left out ({\"kind\", \"text\"}, "
             "the kind being the answer's name for it, such as PhraseNotFound or PhraseIgnored). A part the "
             "answer leaves out is an empty string or list."),
         .arguments = {kSavedAnswerArgument},
         .examples = {{QStringLiteral("esearch esearch-answer.xml"),
                       QStringLiteral("Print the PMIDs and counts of a saved answer.")}}},
        run};
}
