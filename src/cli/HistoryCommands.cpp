// history, saved and watch: the search history and the saved searches of the
// library the window keeps, from the command line.
#include "cli/CliLibrary.h"
#include "cli/CliMessages.h"
#include "cli/CliSearch.h"

#include "entrez/EsearchClient.h"
#include "library/HistoryMessages.h"
#include "library/LibraryStore.h"
#include "library/SavedSearchCheck.h"
#include "library/SearchLog.h"
#include "search/SearchSourceCodec.h"

#include <QEventLoop>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <array>

namespace {

// What `watch` says when it found nothing new, and the status of a check that failed.
constexpr int kNothingNew = 1;
constexpr int kCheckFailed = 3;

const QString kSortOption = QStringLiteral("sort");
const QString kYearsOption = QStringLiteral("years");
const QString kTypeOption = QStringLiteral("type");

// The switches that narrow a saved search, as the window's filter bar does.
struct FilterSwitch
{
    const char *name;
    bool SearchFilters::*filter;
    const char *description;
};
constexpr std::array<FilterSwitch, 4> kFilterSwitches{{
    {"free-full-text", &SearchFilters::freeFullText, "For add: only articles free in full text."},
    {"has-abstract", &SearchFilters::hasAbstract, "For add: only articles with an abstract."},
    {"english", &SearchFilters::english, "For add: only articles in English."},
    {"humans", &SearchFilters::humans, "For add: only studies in humans."},
}};

QStringList addOnlyOptions()
{
    QStringList names{kSortOption, kYearsOption, kTypeOption};
    for (const FilterSwitch &filter : kFilterSwitches)
        names.append(QLatin1String(filter.name));
    return names;
}

// The filters the options of add ask for; nullopt, with the reason in
// `error`, for years that are not a range.
std::optional<SearchFilters> filtersAsked(const CliParsedArguments &arguments, QString &error)
{
    SearchFilters filters;
    if (arguments.isSet(kYearsOption)) {
        static const QRegularExpression range(QStringLiteral("^(\\d{4})?:(\\d{4})?$"));
        const QRegularExpressionMatch years = range.match(arguments.value(kYearsOption));
        filters.yearFrom = years.captured(1).toInt();
        filters.yearTo = years.captured(2).toInt();
        if (!years.hasMatch() || (filters.yearFrom == 0 && filters.yearTo == 0)
            || (filters.yearTo > 0 && filters.yearFrom > filters.yearTo)) {
            error = QStringLiteral("--years takes FROM:TO, such as 2015:2020, 2015: or :2020, not \"%1\"")
                        .arg(arguments.value(kYearsOption));
            return std::nullopt;
        }
    }
    for (const QString &name : arguments.values(kTypeOption)) {
        const std::optional<SearchFilters::ArticleType> type = SearchSourceCodec::articleTypeNamed(name);
        if (type && !filters.articleTypes.contains(*type))
            filters.articleTypes.append(*type);
    }
    for (const FilterSwitch &filter : kFilterSwitches)
        filters.*filter.filter = arguments.isSet(QLatin1String(filter.name));
    return filters;
}

QList<CliOption> savedOptions()
{
    QList<CliOption> options{{.names = {kSortOption},
                              .valueName = QStringLiteral("ORDER"),
                              .description = QStringLiteral("For add: the order of the matches, as for search."),
                              .choices = SortOrders::names(),
                              .defaultValue = SortOrders::name(SortOrder::Recent)},
                             {.names = {kYearsOption},
                              .valueName = QStringLiteral("FROM:TO"),
                              .description = QStringLiteral("For add: only articles published in these years; either "
                                                            "end may be left open (2015: or :2020).")},
                             {.names = {kTypeOption},
                              .valueName = QStringLiteral("TYPE"),
                              .description = QStringLiteral("For add: only articles of this publication type; given "
                                                            "more than once, of any of them."),
                              .choices = SearchSourceCodec::articleTypeNames()}};
    for (const FilterSwitch &filter : kFilterSwitches)
        options.append({.names = {QLatin1String(filter.name)}, .description = QLatin1String(filter.description)});
    return options;
}

int runHistory(const CliCommand &, const CliParsedArguments &arguments)
{
    LibraryStore store(LibraryStore::defaultPath());
    if (const std::optional<int> status = openCliLibrary(store))
        return *status;
    const QString format = arguments.value(QStringLiteral("format"));
    // Row by row, in the order the searches ran, as they are read.
    const bool read = SearchLog::write(
        format == QLatin1String("markdown") ? SearchLog::Format::Markdown
        : format == QLatin1String("json")   ? SearchLog::Format::Json
                                            : SearchLog::Format::Csv,
        [&](const auto &each) { return store.forEachHistoryEntry({}, each); },
        [](const QByteArray &bytes) {
            writeStdout(bytes);
            return true;
        });
    if (!read) {
        reportFailure(store.error());
        return kLibraryUnusable;
    }
    return 0;
}

QString checkedText(const SavedSearch &search)
{
    return search.wasChecked() ? search.lastChecked.toString(Qt::ISODate) : QStringLiteral("never");
}

int listSaved(LibraryStore &store)
{
    const std::optional<QList<SavedSearch>> searches = store.savedSearches();
    if (!searches) {
        reportFailure(store.error());
        return kLibraryUnusable;
    }
    QString text;
    for (const SavedSearch &search : *searches) {
        // One line each: a tab inside a name or query would shift the columns.
        const QStringList fields = {search.name, search.source().effectiveQuery(), QString::number(search.newCount),
                                    checkedText(search)};
        QStringList shown;
        for (const QString &field : fields)
            shown.append(oneField(field));
        text += shown.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    writeStdout(text.toUtf8());
    return 0;
}

int runSaved(const CliCommand &command, const CliParsedArguments &arguments)
{
    const QStringList words = arguments.positional();
    const QString action = words.constFirst();
    // The words each action takes, its own name included.
    const QStringList expected = action == QLatin1String("add")      ? QStringList{action, QStringLiteral("NAME"), QStringLiteral("QUERY")}
                                 : action == QLatin1String("remove") ? QStringList{action, QStringLiteral("NAME")}
                                 : action == QLatin1String("list")   ? QStringList{action}
                                                                     : QStringList();
    if (expected.isEmpty())
        return command.usageError(QStringLiteral("ACTION is list, add or remove, not \"%1\"").arg(action));
    if (words.size() < expected.size())
        return command.usageError(QStringLiteral("no %1 given").arg(expected.at(words.size())));
    if (words.size() > expected.size())
        return command.usageError(CliMessages::unexpectedArgument(words.at(expected.size())));
    for (const QString &option : addOnlyOptions()) {
        if (arguments.isSet(option) && action != QLatin1String("add"))
            return command.usageError(QStringLiteral("--%1 goes with add").arg(option));
    }
    QString filterError;
    const std::optional<SearchFilters> filters = filtersAsked(arguments, filterError);
    if (!filters)
        return command.usageError(filterError);
    if (action == QLatin1String("add") && prepareQueryTerm(words.at(2)).isEmpty())
        return command.usageError(CliMessages::blankQuery());
    if (action != QLatin1String("list") && words.at(1).trimmed().isEmpty())
        return command.usageError(QStringLiteral("the name is blank"));

    LibraryStore store(LibraryStore::defaultPath());
    if (const std::optional<int> status = openCliLibrary(store))
        return *status;
    if (action == QLatin1String("list"))
        return listSaved(store);
    const std::optional<SavedSearch> existing = store.savedSearch(words.at(1));
    // A name is a user's choice: one taken, or one not there, is theirs to correct.
    if (action == QLatin1String("add") && existing) {
        reportFailure(HistoryMessages::duplicateName(existing->name));
        return 2;
    }
    if (action == QLatin1String("remove") && !existing) {
        reportFailure(store.error());
        return 2;
    }
    bool done = false;
    if (action == QLatin1String("add")) {
        SavedSearch search;
        search.name = words.at(1);
        search.query = words.at(2);
        search.sort = SortOrders::named(arguments.value(kSortOption)).value_or(SortOrder::Recent);
        search.filters = *filters;
        done = store.addSavedSearch(search) > 0;
    } else {
        done = store.removeSavedSearch(existing->id);
    }
    if (!done) {
        reportFailure(store.error());
        return kLibraryUnusable;
    }
    return 0;
}

// The saved searches named, each once, or every one when none is named; a
// name not in use is a usage error (2).
std::optional<int> searchesToWatch(LibraryStore &store, const QStringList &names, QList<SavedSearch> &searches)
{
    if (names.isEmpty()) {
        const std::optional<QList<SavedSearch>> all = store.savedSearches();
        if (!all) {
            reportFailure(store.error());
            return kLibraryUnusable;
        }
        searches = *all;
        return std::nullopt;
    }
    for (const QString &name : names) {
        const std::optional<SavedSearch> search = store.savedSearch(name);
        if (!search) {
            reportFailure(store.error());
            return 2;
        }
        if (std::none_of(searches.cbegin(), searches.cend(), [&](const SavedSearch &s) { return s.id == search->id; }))
            searches.append(*search);
    }
    return std::nullopt;
}

int runWatch(const CliCommand &command, const CliParsedArguments &arguments)
{
    SearchArguments parsed;
    if (const std::optional<int> usageError = parseEutilsArguments(command, arguments, parsed))
        return *usageError;
    const bool records = arguments.isSet(QStringLiteral("format"));
    const bool peek = arguments.isSet(QStringLiteral("peek"));

    LibraryStore store(LibraryStore::defaultPath());
    if (const std::optional<int> status = openCliLibrary(store))
        return *status;
    QList<SavedSearch> searches;
    if (const std::optional<int> status = searchesToWatch(store, arguments.positional(), searches))
        return *status;
    if (searches.isEmpty()) {
        reportFailure(QStringLiteral("there is no saved search to watch; add one with \"vexmoor-cli saved add NAME QUERY\""));
        return kNothingNew;
    }

    QStringList found;                // every search's new PMIDs, each once
    QHash<qint64, QStringList> shown; // by search, the new PMIDs it printed
    bool anyFailed = false;
    SavedSearchCheck check(store, {parsed.endpoints, parsed.identity, {}, {}});
    QEventLoop loop;
    QObject::connect(&check, &SavedSearchCheck::checked, [&](const SavedSearch &search) {
        // New is everything not yet marked seen, also what an earlier --peek left.
        const std::optional<QStringList> pmids = store.newPmids(search.id);
        if (!pmids) {
            reportFailure(QStringLiteral("%1: %2").arg(search.name, store.error()));
            anyFailed = true;
            return;
        }
        writeStderrLine(QStringLiteral("%1: %2 new").arg(search.name).arg(pmids->size()));
        for (const QString &pmid : *pmids) {
            if (!found.contains(pmid))
                found.append(pmid);
        }
        if (!pmids->isEmpty())
            shown.insert(search.id, *pmids);
    });
    QObject::connect(&check, &SavedSearchCheck::failed, [&](const SavedSearch &search, const QString &message) {
        reportFailure(QStringLiteral("%1: %2").arg(search.name, message));
        anyFailed = true;
    });
    QObject::connect(&check, &SavedSearchCheck::finished, &loop, &QEventLoop::quit);
    check.start(searches);
    loop.exec();

    bool delivered = true;
    if (records) {
        RecordPrinter printer(parsed.format, parsed.fileFormat, parsed.endpoints);
        ArticleList articles;
        CliSearch fetch(parsed, printer, articles);
        delivered = fetch.fetchInBatches(found);
        printer.finish(articles);
    } else {
        writeStdout((found.join(QLatin1Char('\n')) + (found.isEmpty() ? QString() : QStringLiteral("\n"))).toUtf8());
    }
    // Seen only once they reached the reader: news lost to a full disk stays
    // new, and so does what another check found while this one ran.
    if (delivered && stdoutWritten() && !peek) {
        for (auto it = shown.cbegin(); it != shown.cend(); ++it) {
            if (!store.markSeen(it.key(), it.value())) {
                reportFailure(store.error());
                anyFailed = true;
            }
        }
    }
    if (anyFailed || !delivered)
        return kCheckFailed;
    return found.isEmpty() ? kNothingNew : 0;
}

// watch's --format prints records; without it, PMIDs.
QList<CliOption> watchOptions()
{
    QList<CliOption> options = eutilsOptions();
    for (CliOption &option : options) {
        if (option.names.contains(QStringLiteral("format"))) {
            option.description = QStringLiteral("Print the new articles' records instead of their PMIDs: ") + option.description;
            option.defaultValue.clear();
        }
    }
    options.append({.names = {QStringLiteral("peek")},
                    .description = QStringLiteral("Leave what is printed new, for the window or the next watch.")});
    return options;
}

} // namespace

CliCommand historyCommand()
{
    return {{.name = QStringLiteral("history"),
             .summary = QStringLiteral("Print the search history of the window as a search log."),
             .description = QStringLiteral(
                 "Prints every result set of the window's search history, in the order they ran, as a search log: "
                 "its number, date and time, the query as typed, the query sent with its filters, the sort, the "
                 "number of results, PubMed's translation and what PubMed left out of the query. CSV for a "
                 "spreadsheet, Markdown for the appendix of a review (headed by the database and the dates "
                 "searched), or JSON (one array of objects).\n\n"
                 "The history is kept in the library, %1 (the same file the window uses).")
                 .arg(QStringLiteral("~/.local/share/Vexmoor/library.sqlite")),
             .options = {{.names = {QStringLiteral("format")},
                          .valueName = QStringLiteral("FORMAT"),
                          .description = QStringLiteral("The log's format."),
                          .choices = {QStringLiteral("csv"), QStringLiteral("markdown"), QStringLiteral("json")},
                          .defaultValue = QStringLiteral("csv")}},
             .examples = {{QStringLiteral("history --format markdown > search-log.md"),
                           QStringLiteral("Write the search log for a review's appendix.")}}},
            runHistory};
}

CliCommand savedCommand()
{
    return {{.name = QStringLiteral("saved"),
             .summary = QStringLiteral("List, add or remove saved searches."),
             .description = QStringLiteral(
                 "Saved searches are queries kept under a name, which watch and the window check for what PubMed "
                 "added since. list prints one line per saved search, its fields parted by tabs: the name, the "
                 "query sent, the number of new PMIDs not yet marked seen, and the time of the last check (UTC, "
                 "ISO 8601, or \"never\"). add NAME QUERY saves QUERY, with the sort and filters its options "
                 "give, under NAME, which no other saved search may have (exit status 2 if one does). remove NAME "
                 "removes it with what its checks found."),
             .arguments = {{QStringLiteral("ACTION"), QStringLiteral("list, add or remove.")},
                           {.name = QStringLiteral("NAME"), .description = QStringLiteral("The saved search's name."), .optional = true},
                           {.name = QStringLiteral("QUERY"), .description = QStringLiteral("For add: a PubMed query."), .optional = true}},
             .options = savedOptions(),
             .examples = {{QStringLiteral("saved add crispr 'crispr[ti] AND review[pt]'"),
                           QStringLiteral("Save a query under the name crispr.")},
                          {QStringLiteral("saved add trials 'statins' --years 2015: --type randomized-controlled-trial --english"),
                           QStringLiteral("Save a query narrowed as the window's filters narrow a search.")},
                          {QStringLiteral("saved list"), QStringLiteral("Show the saved searches and what is new in them.")}}},
            runSaved};
}

CliCommand watchCommand()
{
    return {{.name = QStringLiteral("watch"),
             .summary = QStringLiteral("Check saved searches and print the PMIDs PubMed added since the last check."),
             .description = QStringLiteral(
                 "Checks the saved searches named, or every one, one ESearch each, for the articles PubMed added "
                 "(by Entrez date) since the day before the last check, and prints the PMIDs not seen before, "
                 "one per line, or their records with --format. They are then marked seen, unless --peek is "
                 "given. The first check of a saved search only learns what it finds: nothing is new then.\n\n"
                 "The exit status is as grep's: 0 when something new was found, 1 when nothing was, 2 for a "
                 "usage error (an unknown name, a wrong option), 3 when a check failed (the other saved searches "
                 "are still checked; a failed one stays as it was). Requests are paced as for search."),
             .arguments = {{.name = QStringLiteral("NAME"),
                            .description = QStringLiteral("A saved search; every one when none is named."),
                            .repeats = true,
                            .optional = true}},
             .options = watchOptions(),
             .examples = {{QStringLiteral("watch --format ris >> ~/new.ris"),
                           QStringLiteral("Append what is new in every saved search to a RIS file, as a daily crontab "
                                          "line may: 0 7 * * 1-5 vexmoor-cli watch --format ris >> ~/new.ris")}}},
            runWatch};
}
