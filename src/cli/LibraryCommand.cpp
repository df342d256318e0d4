#include "cli/CliLibrary.h"
#include "cli/CliSearch.h"

#include "library/CollectionAdd.h"
#include "library/IdentifierResolver.h"
#include "library/LibraryDownload.h"
#include "library/LibraryMessages.h"
#include "library/LibraryStore.h"
#include "search/SearchMessages.h"

#include <QEventLoop>

namespace {

// What each action takes after its name.
struct Action
{
    const char *name;
    const char *takes;
    qsizetype words; // the action's name included
    bool repeats;    // the last word may come more than once
};
constexpr Action kActions[] = {
    {"list", "nothing more", 1, false},
    {"show", "one NAME", 2, false},
    {"search", "one TEXT", 2, false},
    {"add", "a NAME and one or more IDs", 3, true},
    {"check", "nothing more", 1, false},
};

// Prints stored articles as the search command prints downloaded ones, notes in the files.
void print(const QList<StoredArticle> &stored, const SearchArguments &parsed)
{
    ArticleList articles;
    QStringList notes;
    for (const StoredArticle &article : stored) {
        articles.append(article.record);
        notes.append(article.note);
    }
    RecordPrinter printer(parsed.format, parsed.fileFormat, parsed.endpoints);
    printer.setNotes(notes);
    printer.printBatch(articles, 0);
    printer.finish(articles);
}

int list(LibraryStore &store)
{
    const std::optional<QList<Collection>> collections = store.collections();
    if (!collections) {
        reportFailure(store.error());
        return kLibraryUnusable;
    }
    QString out;
    for (const Collection &collection : *collections)
        out += oneField(collection.name) + u'\t' + QString::number(collection.size) + u'\n';
    writeStdout(out.toUtf8());
    return 0;
}

int show(LibraryStore &store, const QString &collectionName, const SearchArguments &parsed)
{
    const std::optional<Collection> collection = store.collectionNamed(collectionName);
    const std::optional<QList<StoredArticle>> articles =
        collection ? store.articles(collection->id) : std::nullopt;
    if (!articles) {
        reportFailure(store.error());
        return 1;
    }
    print(*articles, parsed);
    return 0;
}

int search(LibraryStore &store, const QString &text, const SearchArguments &parsed, bool records)
{
    const std::optional<PmidList> pmids = store.searchArticles(text);
    const std::optional<QList<StoredArticle>> articles =
        pmids && records ? store.storedArticles(*pmids) : std::optional<QList<StoredArticle>>(QList<StoredArticle>());
    if (!pmids || !articles) {
        reportFailure(store.error());
        return kLibraryUnusable;
    }
    if (records) {
        print(*articles, parsed);
        return 0;
    }
    QByteArray out;
    for (const qint64 pmid : *pmids)
        out += QByteArray::number(pmid) + '\n';
    writeStdout(out);
    return 0;
}

// Reads the whole file, which opening does not; a damaged one is moved aside.
int check(LibraryStore &store)
{
    const LibraryStore::Check found = LibraryStore::checkFile(store.path());
    switch (found.soundness) {
    case LibraryStore::Soundness::Sound:
        writeStdout((LibraryMessages::soundLibrary(store.path()) + u'\n').toUtf8());
        return 0;
    case LibraryStore::Soundness::Unreadable:
        reportFailure(LibraryMessages::unreadableLibrary(store.path(), found.reason));
        break;
    case LibraryStore::Soundness::Damaged:
        store.setAside();
        reportFailure(store.movedAsideTo().isEmpty() ? store.error()
                                                     : LibraryMessages::damagedLibrary(store.path(), store.movedAsideTo()));
        break;
    }
    return kLibraryUnusable;
}

// Finds the PMIDs of the identifiers, then downloads and adds them, batch by
// batch: the library's batches unless `batchSize` is given.
int add(LibraryStore &store, const QString &collectionName, const QStringList &identifiers,
        const SearchArguments &parsed, std::optional<int> batchSize)
{
    std::optional<Collection> collection = store.collectionNamed(collectionName);
    if (!collection) {
        if (!store.createCollection(collectionName) || !(collection = store.collectionNamed(collectionName))) {
            reportFailure(store.error());
            return kLibraryUnusable;
        }
    }
    const auto busy = [](int seconds) { writeStderrLine(SearchMessages::busyRetrying(seconds)); };
    QEventLoop loop;
    QString failure;
    QStringList notFound;
    qsizetype added = 0;

    IdentifierResolver resolver(parsed.endpoints);
    resolver.setIdentity(parsed.identity);
    CollectionAdd adder(store, parsed.endpoints);
    adder.download().setIdentity(parsed.identity);
    if (batchSize)
        adder.download().setBatchSize(*batchSize);
    QObject::connect(&resolver, &IdentifierResolver::retryScheduled, busy);
    QObject::connect(&adder.download(), &LibraryDownload::retryScheduled, busy);
    const auto failed = [&](const QString &message) {
        failure = message;
        loop.quit();
    };
    QObject::connect(&resolver, &IdentifierResolver::failed, failed);
    QObject::connect(&adder, &CollectionAdd::failed, failed);
    QObject::connect(&resolver, &IdentifierResolver::finished, [&](const IdentifierResolution &resolution) {
        notFound = resolution.notFound;
        if (!adder.start(collection->id, resolution.pmids))
            loop.quit();
    });
    // Each batch is stored as it comes: a later failure leaves these added.
    QObject::connect(&adder, &CollectionAdd::added, [&added](qsizetype count, qsizetype asked) {
        added = count;
        writeStderrLine(LibraryMessages::downloaded(count, asked));
    });
    QObject::connect(&adder, &CollectionAdd::finished, [&](qsizetype count, const QList<qint64> &missing) {
        added = count;
        for (const qint64 pmid : missing)
            notFound.append(QString::number(pmid));
        loop.quit();
    });
    resolver.start(identifiers.join(u' '));
    loop.exec();

    writeStderrLine(LibraryMessages::added(added, collection->name));
    if (!notFound.isEmpty())
        writeStderrLine(LibraryMessages::notFound(notFound));
    if (!failure.isEmpty()) {
        reportFailure(failure);
        return 1;
    }
    return notFound.isEmpty() ? 0 : 1;
}

int run(const CliCommand &command, const CliParsedArguments &arguments)
{
    SearchArguments parsed;
    if (const std::optional<int> usageError = parseEutilsArguments(command, arguments, parsed))
        return *usageError;
    const QStringList words = arguments.positional();
    const auto action = std::find_if(std::cbegin(kActions), std::cend(kActions),
                                     [&](const Action &a) { return words.constFirst() == QLatin1String(a.name); });
    if (action == std::cend(kActions))
        return command.usageError(QStringLiteral("unknown action \"%1\"").arg(words.constFirst()));
    if (action->repeats ? words.size() < action->words : words.size() != action->words)
        return command.usageError(QStringLiteral("%1 takes %2").arg(QLatin1String(action->name), QLatin1String(action->takes)));

    // The window's library: tests give the process a home of its own.
    LibraryStore store(LibraryStore::defaultPath());
    if (const std::optional<int> status = openCliLibrary(store))
        return *status;
    const QLatin1String name(action->name);
    if (name == QLatin1String("list"))
        return list(store);
    if (name == QLatin1String("show"))
        return show(store, words.at(1), parsed);
    if (name == QLatin1String("search"))
        return search(store, words.at(1), parsed, arguments.isSet(QStringLiteral("format")));
    if (name == QLatin1String("check"))
        return check(store);
    return add(store, words.at(1), words.mid(2), parsed,
               arguments.isSet(QStringLiteral("batch")) ? std::optional<int>(parsed.batchSize) : std::nullopt);
}

} // namespace

CliCommand libraryCommand()
{
    return {
        {.name = QStringLiteral("library"),
         .summary = QStringLiteral("List, print, search, add to and check the collections of your library."),
         .description = QStringLiteral(
             "Works on the library the window keeps (~/.local/share/Vexmoor/library.sqlite): its collections "
             "of articles with your notes.\n\n"
             "list prints each collection's name and size, separated by a tab, the one used last first. "
             "show NAME prints the articles of a collection, offline, in any --format; the RIS, BibTeX and "
             "CSV files carry your notes. search TEXT looks through the titles, abstracts, authors, journals, "
             "keywords, MeSH terms and notes of every stored article, offline: every word must match, a word "
             "ending in * is a prefix, accents are ignored; it prints the PMIDs one per line, best match "
             "first, or their records with --format. add NAME ID... downloads the articles and adds them to "
             "the collection, making it when missing; an ID is a PMID, a DOI (10.1000/xyz) or a PMCID "
             "(PMC123), looked up in bulk through PMC's ID converter and, for what it does not know, through "
             "ESearch; they are downloaded %1 at a time unless --batch is given; identifiers PubMed does not "
             "know are named on standard error (exit status 1). check reads every page of the file, which "
             "opening it does not (opening reads the header, the schema and the small tables): a damaged "
             "library is moved aside and a new one started.\n\n"
             "Exit status 3: the library could not be used (written by a newer Vexmoor, damaged and moved "
             "aside, or not openable).")
                            .arg(LibraryDownload::kDefaultBatchSize),
         .arguments = {{QStringLiteral("ACTION"),
                        QStringLiteral("list, show NAME, search TEXT, add NAME ID... or check"), false, true}},
         .options = eutilsOptions(),
         .examples = {{QStringLiteral("library add Sepsis 31746150 10.1056/NEJMoa1803213 PMC6148624"),
                       QStringLiteral("Add three articles to the collection Sepsis.")},
                      {QStringLiteral("library show Sepsis --format ris > sepsis.ris"),
                       QStringLiteral("Write the collection, with your notes, to a RIS file.")},
                      {QStringLiteral("library search 'mening* children'"),
                       QStringLiteral("Print the PMIDs of the stored articles about meningitis and children.")}}},
        run};
}
