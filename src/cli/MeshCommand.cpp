#include "cli/CliSearch.h"

#include "cli/CliMessages.h"
#include "entrez/EntrezMessages.h"
#include "entrez/EsearchClient.h"
#include "entrez/MeshHeading.h"
#include "entrez/SearchResultParser.h"
#include "search/MeshLookup.h"
#include "search/SearchMessages.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// The paced requests of one look-up; each failure is reported.
class MeshRequests
{
public:
    explicit MeshRequests(const SearchArguments &arguments) : m_arguments(arguments) {}

    std::optional<QStringList> search(const QString &words)
    {
        const std::optional<QByteArray> body = fetch(
            meshSearchRequest(m_arguments.endpoints, prepareQueryTerm(words), MeshLookup::kMostHeadings, m_arguments.identity));
        const std::optional<SearchResult> answer = body ? searchResultFromResponse(*body) : std::nullopt;
        if (body && !answer)
            reportFailure(SearchMessages::searchFailed(EntrezMessages::notASearchResult()));
        return answer ? std::optional<QStringList>(answer->PMIDs) : std::nullopt;
    }

    std::optional<QList<MeshHeading>> summaries(const QStringList &uids)
    {
        if (uids.isEmpty())
            return QList<MeshHeading>();
        const std::optional<QByteArray> body = fetch(meshSummaryRequest(m_arguments.endpoints, uids, m_arguments.identity));
        const std::optional<MeshSummaryAnswer> answer = body ? meshSummaryFromResponse(*body) : std::nullopt;
        if (body && (!answer || !answer->error.isEmpty())) {
            reportFailure(SearchMessages::searchFailed(answer ? answer->error : EntrezMessages::notAMeshSummary()));
            return std::nullopt;
        }
        return answer ? std::optional<QList<MeshHeading>>(answer->headings) : std::nullopt;
    }

private:
    std::optional<QByteArray> fetch(const EutilsRequest &request) { return fetchReported(m_fetcher, request); }

    const SearchArguments &m_arguments;
    PacedFetcher m_fetcher;
};

// "C08.127.108: under Bronchial Diseases; above Asthma, Aspirin-Induced, Status Asthmaticus"
QString placeText(const MeshTreePlace &place, const QHash<QString, QString> &names)
{
    QStringList children;
    for (const QString &uid : place.children)
        children.append(names.value(uid, uid));
    QString text = place.treeNumber;
    if (names.contains(place.parent))
        text += QStringLiteral(": under ") + names.value(place.parent);
    if (!children.isEmpty())
        text += (names.contains(place.parent) ? QStringLiteral("; above ") : QStringLiteral(": above ")) + children.join(QLatin1String(", "));
    return text;
}

QByteArray textOf(const MeshHeading &heading, const QString &words, const QHash<QString, QString> &names, bool tree)
{
    QString text = heading.name + (heading.isSupplementary() ? QStringLiteral(" (supplementary concept)") : QString())
                   + QLatin1Char('\n');
    const auto line = [&text](const QString &name, const QString &value) {
        if (!value.isEmpty())
            text += QStringLiteral("  ") + name + QStringLiteral(": ") + value + QLatin1Char('\n');
    };
    line(QStringLiteral("UID"), heading.uid);
    if (const QString matched = heading.matchedTerm(words); matched != heading.name)
        line(QStringLiteral("Found as"), matched);
    line(QStringLiteral("Scope note"), heading.scopeNote);
    line(QStringLiteral("Entry terms"), heading.entryTerms.join(QLatin1String("; ")));
    line(QStringLiteral("Subheadings"), heading.subheadings.join(QLatin1String(", ")));
    line(QStringLiteral("Indexed under"), [&] {
        QStringList mapped;
        for (const QString &uid : heading.mappedTo)
            mapped.append(names.value(uid, uid));
        return mapped.join(QLatin1String(", "));
    }());
    if (tree) {
        for (const MeshTreePlace &place : heading.tree)
            line(QStringLiteral("Tree"), placeText(place, names));
    }
    return withoutControls(text).toUtf8() + '\n';
}

QByteArray jsonOf(const MeshHeading &heading, const QString &words, const QHash<QString, QString> &names, bool tree)
{
    QJsonObject object{{QStringLiteral("uid"), heading.uid},
                       {QStringLiteral("name"), heading.name},
                       {QStringLiteral("foundAs"), heading.matchedTerm(words)},
                       {QStringLiteral("supplementary"), heading.isSupplementary()},
                       {QStringLiteral("scopeNote"), heading.scopeNote},
                       {QStringLiteral("entryTerms"), QJsonArray::fromStringList(heading.entryTerms)},
                       {QStringLiteral("subheadings"), QJsonArray::fromStringList(heading.subheadings)},
                       {QStringLiteral("query"), MeshLookup::articlesQuery(heading)}};
    if (tree) {
        QJsonArray places;
        for (const MeshTreePlace &place : heading.tree) {
            QJsonArray children;
            for (const QString &uid : place.children)
                children.append(QJsonObject{{QStringLiteral("uid"), uid}, {QStringLiteral("name"), names.value(uid)}});
            places.append(QJsonObject{{QStringLiteral("treeNumber"), place.treeNumber},
                                      {QStringLiteral("parent"), QJsonObject{{QStringLiteral("uid"), place.parent},
                                                                             {QStringLiteral("name"), names.value(place.parent)}}},
                                      {QStringLiteral("children"), children}});
        }
        object.insert(QStringLiteral("tree"), places);
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

int run(const CliCommand &command, const CliParsedArguments &arguments)
{
    SearchArguments parsed;
    if (const std::optional<int> usageError = parseConnectionArguments(command, arguments, parsed))
        return *usageError;
    const QString words = arguments.positional().join(QLatin1Char(' ')).simplified();
    if (prepareQueryTerm(words).isEmpty())
        return command.usageError(CliMessages::blankQuery());
    const bool tree = arguments.isSet(QStringLiteral("tree"));
    const bool json = arguments.value(QStringLiteral("format")) == QLatin1String("json");

    MeshRequests requests(parsed);
    const std::optional<QStringList> uids = requests.search(words);
    const std::optional<QList<MeshHeading>> headings = uids ? requests.summaries(*uids) : std::nullopt;
    if (!headings)
        return 1;
    // The names of the headings each one is mapped to, and with --tree of
    // those above and below it: one more request for all of them.
    QStringList neighbours;
    for (const MeshHeading &heading : *headings)
        neighbours += heading.mappedTo + (tree ? heading.neighbours() : QStringList());
    neighbours.removeDuplicates();
    const std::optional<QList<MeshHeading>> named = requests.summaries(neighbours);
    if (!named)
        return 1;
    QHash<QString, QString> names;
    for (const MeshHeading &heading : *named + *headings)
        names.insert(heading.uid, heading.name);
    if (headings->isEmpty())
        writeStderrLine(QStringLiteral("vexmoor-cli: no MeSH heading matches %1").arg(words));
    for (const MeshHeading &heading : *headings)
        writeStdout(json ? jsonOf(heading, words, names, tree) : textOf(heading, words, names, tree));
    return finishStdout() ? 0 : 1;
}

} // namespace

CliCommand meshCommand()
{
    return {
        {.name = QStringLiteral("mesh"),
         .summary = QStringLiteral("Look up MeSH headings and print their scope notes, entry terms and tree."),
         .description = QStringLiteral(
             "Asks the E-utilities for the MeSH headings (and supplementary concepts) matching a word, at most %1, "
             "and prints each with the entry term the word was found in, its scope note, its entry terms and "
             "the subheadings it takes; with --tree also its places in the MeSH tree, with the headings above "
             "and below it. Two requests, a third for the names of the headings around them.")
             .arg(MeshLookup::kMostHeadings),
         .arguments = {{QStringLiteral("TERM"), QStringLiteral("A word or words, as typed into the MeSH browser."),
                        false, true}},
         .options = QList<CliOption>{{.names = {QStringLiteral("tree")},
                                      .description = QStringLiteral("Print each heading's places in the tree.")},
                                     {.names = {QStringLiteral("format")},
                                      .valueName = QStringLiteral("FORMAT"),
                                      .description = QStringLiteral(
                                          "text: a few lines per heading; json: one object per line, with the "
                                          "query that finds the articles indexed with it."),
                                      .choices = {QStringLiteral("text"), QStringLiteral("json")},
                                      .defaultValue = QStringLiteral("text")}}
                    + connectionOptions(),
         .examples = {{QStringLiteral("mesh heart attack --tree"),
                       QStringLiteral("Find the heading for heart attacks (Myocardial Infarction) and its place in "
                                      "the tree.")}}},
        run};
}
