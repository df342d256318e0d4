#include "cli/CliLibrary.h"
#include "cli/CliSearch.h"

#include "entrez/Pmid.h"
#include "fulltext/FullTextFetch.h"
#include "library/CollectionAdd.h"
#include "library/FullTextFiles.h"
#include "library/FullTextShelf.h"
#include "library/LibraryMessages.h"
#include "library/LibraryStore.h"
#include "search/SearchMessages.h"

#include <QDir>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

// As watch's: everything found, some not, a usage error, a failure.
constexpr int kSomeNotAvailable = 1;
constexpr int kFailure = 3;

struct FulltextArguments
{
    QStringList pmids;
    bool get = false;
    QString collection;
    QString textFolder;
    QString pdfFolder;
    QString search;
    bool json = false;
};

QString readArguments(const CliParsedArguments &arguments, FulltextArguments &parsed)
{
    parsed.pmids = arguments.positional();
    parsed.search = arguments.value(QStringLiteral("search"));
    if (!parsed.search.isEmpty() && !parsed.pmids.isEmpty())
        return QStringLiteral("--search takes no PMID");
    if (parsed.search.isEmpty() && parsed.pmids.isEmpty())
        return QStringLiteral("no PMID given");
    for (const QString &pmid : std::as_const(parsed.pmids)) {
        if (!isPmid(pmid.toStdString()))
            return QStringLiteral("%1 is not a PMID").arg(pmid);
    }
    parsed.get = arguments.isSet(QStringLiteral("get"));
    parsed.collection = arguments.value(QStringLiteral("collection"));
    parsed.textFolder = arguments.value(QStringLiteral("text"));
    parsed.pdfFolder = arguments.value(QStringLiteral("pdf"));
    parsed.json = arguments.isSet(QStringLiteral("format")) && arguments.value(QStringLiteral("format")) == QLatin1String("json");
    const int modes = int(parsed.get) + int(arguments.isSet(QStringLiteral("links"))) + int(!parsed.textFolder.isEmpty())
                      + int(!parsed.pdfFolder.isEmpty()) + int(!parsed.search.isEmpty());
    if (modes > 1)
        return QStringLiteral("give one of --links, --get, --text, --pdf and --search");
    if (!parsed.collection.isEmpty() && !parsed.get)
        return QStringLiteral("--collection goes with --get");
    return {};
}

void printLine(const FulltextArguments &parsed, const QJsonObject &object, const QStringList &plain)
{
    writeStdout(parsed.json ? QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n'
                            : withoutControls(plain.join(u'\t')).toUtf8() + '\n');
}

// Writes each kept text (plain, part by part) or PDF to `folder` as PMID.txt or PMID.pdf.
int writeOut(LibraryStore &store, const FulltextArguments &parsed)
{
    const bool pdf = !parsed.pdfFolder.isEmpty();
    const QString folder = pdf ? parsed.pdfFolder : parsed.textFolder;
    if (!QDir().mkpath(folder)) {
        reportFailure(QStringLiteral("The folder %1 could not be made.").arg(folder));
        return kFailure;
    }
    FullTextShelf shelf(store);
    int status = 0;
    for (const QString &pmid : parsed.pmids) {
        const std::optional<KeptFullText> kept = shelf.kept(pmid.toLongLong(), pdf ? FullTextKind::Pdf : FullTextKind::Text);
        if (!kept) {
            writeStderrLine(shelf.error().isEmpty() ? QStringLiteral("%1: no full text kept").arg(pmid) : shelf.error());
            status = kSomeNotAvailable;
            continue;
        }
        const QString target = QDir(folder).filePath(pmid + (pdf ? QStringLiteral(".pdf") : QStringLiteral(".txt")));
        QSaveFile out(target);
        QFile in(kept->path);
        const QByteArray bytes = pdf ? (in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray()) : kept->document->plainText().toUtf8();
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
            reportFailure(QStringLiteral("%1 could not be written: %2").arg(target, out.errorString()));
            return kFailure;
        }
        printLine(parsed, {{QStringLiteral("pmid"), pmid}, {QStringLiteral("file"), target}}, {pmid, target});
    }
    return status;
}

// The matching passages of the kept texts, the words found between [ and ].
int searchTexts(LibraryStore &store, const FulltextArguments &parsed)
{
    const std::optional<QList<FullTextHit>> hits = store.searchFullTexts(parsed.search);
    if (!hits) {
        reportFailure(store.error());
        return kFailure;
    }
    for (const FullTextHit &hit : *hits) {
        const QString passage = QString(hit.snippet).replace(FullTextHit::kHitStart, u'[').replace(FullTextHit::kHitEnd, u']');
        printLine(parsed, {{QStringLiteral("pmid"), QString::number(hit.pmid)}, {QStringLiteral("passage"), passage}},
                  {QString::number(hit.pmid), QString(passage).replace(u'\n', u' ')});
    }
    return hits->isEmpty() ? kSomeNotAvailable : 0;
}

// Adds the PMIDs the library does not hold to the collection named (or the
// one used last), so that their full texts belong to library articles.
std::optional<int> addMissing(LibraryStore &store, const FulltextArguments &parsed, const SearchArguments &search)
{
    const std::optional<PmidSet> held = store.libraryPmids();
    if (!held) {
        reportFailure(store.error());
        return kLibraryUnusable;
    }
    QList<qint64> missing;
    for (const QString &pmid : parsed.pmids) {
        if (!held->contains(pmid.toLongLong()))
            missing.append(pmid.toLongLong());
    }
    if (missing.isEmpty())
        return std::nullopt;
    std::optional<Collection> collection;
    if (!parsed.collection.isEmpty()) {
        collection = store.collectionNamed(parsed.collection);
        if (!collection && store.createCollection(parsed.collection))
            collection = store.collectionNamed(parsed.collection);
    } else if (const std::optional<QList<Collection>> all = store.collections(); all && !all->isEmpty()) {
        collection = all->first();
    } else {
        writeStderrLine(QStringLiteral("vexmoor-cli fulltext: a full text is kept with a library article: give --collection NAME"));
        return 2;
    }
    if (!collection) {
        reportFailure(store.error());
        return kLibraryUnusable;
    }
    QEventLoop loop;
    QString failure;
    CollectionAdd adder(store, search.endpoints);
    adder.download().setIdentity(search.identity);
    QObject::connect(&adder, &CollectionAdd::failed, [&](const QString &message) {
        failure = message;
        loop.quit();
    });
    QObject::connect(&adder, &CollectionAdd::finished, [&](qsizetype added, const QList<qint64> &) {
        writeStderrLine(LibraryMessages::added(added, collection->name));
        loop.quit();
    });
    if (!adder.start(collection->id, missing))
        return std::nullopt;
    loop.exec();
    if (!failure.isEmpty()) {
        reportFailure(failure);
        return kFailure;
    }
    return std::nullopt;
}

QJsonArray sourcesJson(const QList<FullTextSource> &sources)
{
    QJsonArray array;
    for (const FullTextSource &source : sources)
        array.append(QJsonObject{{QStringLiteral("label"), source.label},
                                 {QStringLiteral("url"), source.url.toString()},
                                 {QStringLiteral("free"), source.free}});
    return array;
}

void printOutcome(const FulltextArguments &parsed, const FullTextOutcome &outcome, bool lookup)
{
    if (lookup) {
        if (parsed.json) {
            printLine(parsed, {{QStringLiteral("pmid"), outcome.pmid}, {QStringLiteral("sources"), sourcesJson(outcome.sources)}}, {});
            return;
        }
        for (const FullTextSource &source : outcome.sources)
            printLine(parsed, {}, {outcome.pmid, source.label, source.url.toString(), source.free ? QStringLiteral("free") : QStringLiteral("not free")});
        if (outcome.sources.isEmpty())
            printLine(parsed, {}, {outcome.pmid, QStringLiteral("none"), outcome.reason});
        return;
    }
    const QString kind = !outcome.kind ? QStringLiteral("none") : FullTextFiles::kindName(*outcome.kind);
    QJsonObject object{{QStringLiteral("pmid"), outcome.pmid}, {QStringLiteral("kind"), kind}};
    if (outcome.kind) {
        object.insert(QStringLiteral("source"), outcome.row.source);
        object.insert(QStringLiteral("address"), outcome.row.address);
        object.insert(QStringLiteral("licence"), outcome.row.licence);
    } else {
        object.insert(QStringLiteral("reason"), outcome.reason);
        object.insert(QStringLiteral("publisher"), outcome.publisher.toString());
    }
    printLine(parsed, object, outcome.kind ? QStringList{outcome.pmid, kind, outcome.row.source, outcome.row.address}
                                           : QStringList{outcome.pmid, kind, outcome.reason, outcome.publisher.toString()});
}

int findOrGet(LibraryStore *store, const FulltextArguments &parsed, const SearchArguments &search)
{
    QList<FullTextArticle> articles;
    for (const QString &pmid : parsed.pmids)
        articles.append({pmid, {}});
    if (store) {
        PmidList pmids;
        for (const QString &pmid : parsed.pmids)
            pmids.append(pmid.toLongLong());
        const QList<StoredArticle> stored = store->storedArticles(pmids).value_or(QList<StoredArticle>());
        for (FullTextArticle &article : articles) {
            for (const StoredArticle &one : stored) {
                if (one.record.text(ArticleRecord::Key::PMID) == article.pmid)
                    article.doi = one.record.text(ArticleRecord::Key::Doi);
            }
        }
    }
    FullTextFetch fetch(search.endpoints);
    fetch.setEmail(search.identity.email);
    fetch.setIdentity(search.identity);
    fetch.setLookupOnly(!parsed.get);
    QEventLoop loop;
    FullTextTally tally;
    bool keptAll = true;
    QObject::connect(&fetch, &FullTextFetch::articleDone, [&](const FullTextOutcome &outcome) {
        if (parsed.get && outcome.kind && store) {
            FullTextShelf shelf(*store);
            const bool kept = outcome.kind == FullTextKind::Text ? shelf.keepText(outcome.row, outcome.text) : shelf.keep(outcome.row, outcome.pdf);
            if (!kept) {
                reportFailure(shelf.error());
                keptAll = false;
            }
        }
        printOutcome(parsed, outcome, !parsed.get);
    });
    QObject::connect(&fetch, &FullTextFetch::finished, [&](const FullTextTally &done) {
        tally = done;
        loop.quit();
    });
    fetch.start(articles);
    loop.exec();
    if (!parsed.get)
        return 0;
    writeStderrLine(tally.summary());
    if (!keptAll || tally.failed > 0)
        return kFailure;
    return tally.notOpen > 0 ? kSomeNotAvailable : 0;
}

int run(const CliCommand &command, const CliParsedArguments &arguments)
{
    SearchArguments search;
    if (const std::optional<int> usageError = parseEutilsArguments(command, arguments, search))
        return *usageError;
    FulltextArguments parsed;
    if (const QString usageError = readArguments(arguments, parsed); !usageError.isEmpty())
        return command.usageError(usageError);
    // The window's library: tests give the process a home of its own.
    LibraryStore store(LibraryStore::defaultPath());
    const bool fromLibrary = parsed.get || !parsed.textFolder.isEmpty() || !parsed.pdfFolder.isEmpty() || !parsed.search.isEmpty();
    if (fromLibrary) {
        if (const std::optional<int> status = openCliLibrary(store))
            return *status;
    }
    if (!parsed.search.isEmpty()) {
        const int status = searchTexts(store, parsed);
        return finishStdout() ? status : kFailure;
    }
    if (!parsed.textFolder.isEmpty() || !parsed.pdfFolder.isEmpty())
        return writeOut(store, parsed);
    if (parsed.get) {
        if (const std::optional<int> status = addMissing(store, parsed, search))
            return *status;
    }
    const int status = findOrGet(fromLibrary ? &store : nullptr, parsed, search);
    return finishStdout() ? status : kFailure;
}

QList<CliOption> fulltextOptions()
{
    return {
        {.names = {QStringLiteral("links")},
         .description = QStringLiteral("Print where each article's legal full text is (the default): PMC's open-access "
                                       "text, open-access PDFs, LinkOut's full-text providers and the publisher, each "
                                       "marked free or not free.")},
        {.names = {QStringLiteral("get")},
         .description = QStringLiteral("Fetch each article's open-access full text (PMC's text, else an open-access "
                                       "PDF) and keep it with the article in the library.")},
        {.names = {QStringLiteral("collection")}, .valueName = QStringLiteral("NAME"),
         .description = QStringLiteral("With --get, add the articles the library does not hold to this collection "
                                       "(made when missing) instead of the one used last.")},
        {.names = {QStringLiteral("text")}, .valueName = QStringLiteral("OUTDIR"),
         .description = QStringLiteral("Write each kept text as plain text, part by part, to OUTDIR/PMID.txt."), .namesFile = true},
        {.names = {QStringLiteral("pdf")}, .valueName = QStringLiteral("OUTDIR"),
         .description = QStringLiteral("Write each kept PDF to OUTDIR/PMID.pdf."), .namesFile = true},
        {.names = {QStringLiteral("search")}, .valueName = QStringLiteral("TEXT"),
         .description = QStringLiteral("Search the kept texts, offline, instead: print each matching article's PMID and "
                                       "its best passage, the words found in [brackets], best first. \"methods: word\" "
                                       "(or title, abstract, introduction, results, discussion, conclusions, captions, "
                                       "references, other) searches that part alone.")},
    };
}

} // namespace

CliCommand fulltextCommand()
{
    return {
        {.name = QStringLiteral("fulltext"),
         .summary = QStringLiteral("Find, fetch and write out the legal full text of articles."),
         .description = QStringLiteral(
             "Says where each article's legal full text is, fetches and keeps it in the library with --get, or "
             "writes a kept text or PDF out with --text or --pdf. Only open-access copies are fetched: PMC's text "
             "through its ID converter, OA service and BioC, then PMC's own PDF or Unpaywall's best open-access "
             "location (Unpaywall needs --email). A PDF is kept only when it is one and under 100 MB; a sign-in "
             "page in its place is reported as not available. Exit status: 0 when every article's full text was "
             "found, 1 when some were not available, 3 on a failure."),
         .arguments = {{.name = QStringLiteral("PMID"), .description = QStringLiteral("One or more PMIDs (none with --search)."),
                        .repeats = true, .optional = true}},
         .options = fulltextOptions() + eutilsOptions(),
         .examples = {{QStringLiteral("fulltext --get --email me@example.org 38038463"),
                       QStringLiteral("Fetch the article's open-access text and keep it in the collection used last.")},
                      {QStringLiteral("fulltext --text texts 38038463"),
                       QStringLiteral("Write the kept text to texts/38038463.txt.")}}},
        run};
}
