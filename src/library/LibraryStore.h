#pragma once

#include "common/Endpoints.h"
#include "library/HistoryEntry.h"
#include "library/SavedSearch.h"

#include <QDateTime>
#include <QList>
#include "library/Collection.h"
#include "library/FullTextRow.h"
#include "library/StoredArticle.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QSqlQuery;

// The user's library: one SQLite file shared by the window and vexmoor-cli.
// This class is the only code that speaks SQL. Its schema moves forward
// through numbered migrations, one transaction each; a file it cannot trust
// is never changed: a newer schema is left alone and a damaged file is
// moved aside before a new one is started.
class LibraryStore
{
public:
    // The schema this build writes; migration n takes a file from n - 1 to n.
    static constexpr int kSchemaVersion = 3;

    enum class OpenState {
        Opened,      // ready; a damaged file may have been moved aside first
        NewerSchema, // written by a newer Vexmoor: left untouched, not opened
        Failed,      // could not be opened or created (see error())
    };

    // ~/.local/share/Vexmoor/library.sqlite for the window and the command line alike.
    static QString defaultPath();

    explicit LibraryStore(QString path);
    ~LibraryStore();
    LibraryStore(const LibraryStore &) = delete;
    LibraryStore &operator=(const LibraryStore &) = delete;

    // Opens the file, creating it (readable by its owner only) when missing,
    // and migrates it to `targetVersion`; only tests ask for an older one.
    OpenState open(int targetVersion = kSchemaVersion);
    bool isOpen() const { return m_open; }
    const QString &path() const { return m_path; }
    int schemaVersion() const;
    // Where a damaged file was moved by the last open(), or empty.
    const QString &movedAsideTo() const { return m_movedAsideTo; }
    // The last failure, in words for the user.
    const QString &error() const { return m_error; }

    // ---- The search history and the saved searches (LibraryStoreHistory.cpp) ----
    // Every method that fails returns an empty value (0, false, nullopt) and
    // leaves error() set.

    // Records a result set as it starts, answer to come; returns its number.
    // `typed`: the query as the user typed it when it differs from the
    // source's, i.e. before its #n references were expanded.
    qint64 recordStart(const SearchSource &source, const QString &typed = {},
                       const QDateTime &started = QDateTime::currentDateTime());
    // What ESearch (or ELink) answered for the result set `number`.
    bool recordAnswer(qint64 number, qint64 resultCount, const QString &translation, const QString &warnings);
    // Newest first: all entries, or those of `numbers` (unknown ones are left out).
    std::optional<QList<HistoryEntry>> history(const QList<qint64> &numbers = {});
    // Newest first, at most `limit` entries numbered below `below` (from the
    // newest when 0): a window shows the first page at once and reads the
    // rest after, each page going on from the last number it holds.
    std::optional<QList<HistoryEntry>> historyPage(int limit, qint64 below = 0);
    // Fails with HistoryMessages::noSuchSearch() for a number not in the history.
    std::optional<HistoryEntry> historyEntry(qint64 number);
    bool deleteHistory(const QList<qint64> &numbers);
    bool clearHistory();
    // Each query as typed once, the most recently searched first; at most
    // `limit` of them (all for a negative limit).
    std::optional<QStringList> recentQueries(int limit = -1);
    // Adds queries kept before the history existed (most recent first, as
    // RecentSearches keeps them), as entries without an answer.
    bool importQueries(const QStringList &mostRecentFirst, const QDateTime &when = QDateTime::currentDateTime());

    // Adds `search` (name, query, sort, filters); returns its id. A name in
    // use fails with HistoryMessages::duplicateName().
    qint64 addSavedSearch(const SavedSearch &search);
    bool renameSavedSearch(qint64 id, const QString &name);
    // A new query, sort or filters; the PMIDs seen so far stay seen.
    bool editSavedSearch(qint64 id, const QString &query, SortOrder sort, const SearchFilters &filters);
    bool removeSavedSearch(qint64 id);
    // By name, each with its count of new PMIDs.
    std::optional<QList<SavedSearch>> savedSearches();
    // Fails with HistoryMessages::noSuchSavedSearch() for a name not in use.
    std::optional<SavedSearch> savedSearch(const QString &name);
    // Records a successful check made at `checked` that found `pmids`; returns
    // those not known before, now new. The first check of a search marks
    // everything it found as seen and returns none.
    std::optional<QStringList> recordCheck(qint64 id, const QStringList &pmids, const QDateTime &checked);
    // The PMIDs found by checks and not yet marked seen, in the order found.
    std::optional<QStringList> newPmids(qint64 id);
    bool markAllSeen(qint64 id);
    // --- Collections, stored articles, notes, offline search, back-up
    // (LibraryStoreCollections.cpp). An article is stored once however many
    // collections hold it; one in no collection and without a note is
    // removed. Each change is one transaction; a failure leaves error() set.

    // The new collection's id; none when the name is taken or empty.
    std::optional<qint64> createCollection(const QString &name);
    bool renameCollection(qint64 id, const QString &name);
    bool deleteCollection(qint64 id);
    // Moves a collection to the top of the list, as opening it does.
    bool markCollectionUsed(qint64 id);
    // With their sizes, the one used last first.
    std::optional<QList<Collection>> collections();
    std::optional<Collection> collectionNamed(const QString &name);
    // All of them or none; an article already stored gets the new record and
    // XML and keeps its note.
    bool addArticles(qint64 collection, const QList<ArticleToStore> &articles);
    bool removeArticles(qint64 collection, const QList<qint64> &pmids);
    // In the order they were added.
    std::optional<QList<StoredArticle>> articles(qint64 collection);
    // The stored articles among `pmids`, in that order (a search's, say).
    std::optional<QList<StoredArticle>> storedArticles(const PmidList &pmids);
    // The stored XML of each article held by `collection`, by PMID.
    std::optional<QHash<qint64, QByteArray>> articleXml(qint64 collection);
    // Every PMID the library holds (in a collection or noted), to mark results already kept.
    std::optional<QSet<qint64>> libraryPmids();
    std::optional<QString> note(qint64 pmid);
    bool setNote(qint64 pmid, const QString &note);
    // Words and prefixes ("mening*") as typed, accents ignored, best match
    // first; over the whole library or one collection, kept full texts too
    // (articles found only there after the others); "methods: word" searches
    // that part of the kept texts alone. Any text is safe.
    // The best `limit` only (all for a negative one): by default as many as
    // a search of PubMed brings, what a result tab shows.
    std::optional<PmidList> searchArticles(const QString &text, std::optional<qint64> collection = std::nullopt,
                                           int limit = kEsearchRecordLimit);
    // New records and XML of stored articles, notes kept; others are skipped.
    bool replaceArticles(const QList<ArticleToStore> &articles);
    // A consistent copy of the library at `target`, replacing any file there,
    // while others go on using it; the kept full texts are copied to the
    // folder `target`.fulltext beside it.
    bool backup(const QString &target);
    // The stored records and XML of `pmids`, in that order, to be stored
    // again (in another collection, or back after a removal); those the
    // library does not hold are left out (LibraryStoreLookup.cpp).
    std::optional<QList<ArticleToStore>> articlesToStore(const PmidList &pmids);

    // ---- Kept full texts (LibraryStoreFullText.cpp) ----
    // The folder beside the library file that holds their files.
    QString fullTextFolder() const;
    // Records a full text of a stored article, replacing one of its kind,
    // and indexes a text's parts (`sections`, in the order of
    // TextSections::all(); none for a PDF), in one transaction. The file
    // must be in place under a temporary name: it takes its own name only
    // once this has committed (see FullTextShelf).
    bool recordFullText(const FullTextRow &row, const QStringList &sections = {});
    bool forgetFullText(qint64 pmid, FullTextKind kind);
    // The kept full texts of `pmids` (all of them when empty), by PMID then kind.
    std::optional<QList<FullTextRow>> fullTexts(const PmidList &pmids = {});
    // The best `limit` passages of kept texts (of `collection`) that match
    // `text` (as searchArticles takes it), best first; a leading "methods:"
    // (any part's name) or `section` narrows the search to that part.
    std::optional<QList<FullTextHit>> searchFullTexts(const QString &text, const QString &section = {}, int limit = 200,
                                                      std::optional<qint64> collection = std::nullopt);
    // The text starts with the name of a part of the full texts ("methods:").
    static bool isFullTextPart(const QString &text);

private:
    // Removes files of the full-text folder that no row holds, and temporary
    // ones a killed download left behind.
    void sweepFullTextFiles();
    // `pmids` followed by the articles (of `collection`) whose kept text
    // matches the FTS5 query `match` and that are not among them, best first.
    std::optional<PmidList> withFullTextMatches(PmidList pmids, const QString &match, std::optional<qint64> collection, int limit);
    std::optional<QList<FullTextHit>> matchFullTexts(const QString &match, std::optional<qint64> collection, int limit);
    bool backupFullTexts(const QString &target);
    bool connect(bool readOnly);
    void disconnect();
    // The file's schema version, or -1 when it is not a sound SQLite database.
    int inspect();
    bool moveAside();
    bool configure();
    bool migrate(int targetVersion);
    // Runs `change` as one immediate transaction: all of it lands or none.
    bool write(const std::function<bool(QSqlQuery &)> &change);
    bool fail(const QString &what, const QSqlQuery &query);

    QString m_path;
    QString m_connection;
    QString m_movedAsideTo;
    QString m_error;
    bool m_open = false;
};
