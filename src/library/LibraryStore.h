#pragma once

#include "common/Endpoints.h"
#include "library/HistoryEntry.h"
#include "library/SavedSearch.h"

#include <QDateTime>
#include <QList>
#include "library/Collection.h"
#include "library/PmidSet.h"
#include "library/FullTextRow.h"
#include "library/StoredArticle.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <optional>

class QSqlQuery;
struct sqlite3;
struct sqlite3_stmt;

// The user's library: one SQLite file shared by the window and vexmoor-cli.
// This class, with ReviewStore for the reviews kept in the same file, is the
// only code that speaks SQL. Its schema moves forward
// through numbered migrations, one transaction each; a file it cannot trust
// is never changed: a newer schema is left alone and a damaged file is
// moved aside before a new one is started. A file that cannot be read
// (permissions, a lock, the disk) is not damaged: it stays where it is.
//
// open() checks what it reads at once (the header, the schema and the small
// tables); the tables that grow with the library are checked page by page
// by checkFile(), which the window runs in the background and the command
// line on demand.
class LibraryStore
{
public:
    // The schema this build writes; migration n takes a file from n - 1 to n.
    static constexpr int kSchemaVersion = 6;

    // When a commit reaches the disk. Later hands it to the operating system
    // before write() returns, so a killed process loses none of it, and leaves
    // the wait for the disk to syncToDisk(), which must follow soon: for a
    // change the user should see done before the disk has it.
    enum class Sync { Now, Later };
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
    // Opens the file as it is, read only, for the searches of one thread:
    // no check and no migration, which the open() of the window made.
    bool openToRead();
    // From now on, what the connection runs ends (and fails) as soon as
    // `stop` says so: a search nobody waits for any more.
    void interruptWhen(std::function<bool()> stop);
    bool isOpen() const { return m_open; }
    const QString &path() const { return m_path; }
    int schemaVersion() const;
    // Where a damaged file was moved by the last open() or setAside(), or empty.
    const QString &movedAsideTo() const { return m_movedAsideTo; }

    // What a check of a file found.
    enum class Soundness { Sound, Damaged, Unreadable };
    struct Check
    {
        Soundness soundness = Soundness::Sound;
        QString reason; // for Unreadable, in words for the user
    };
    // Every page of the file at `path`, on a connection of its own, so any
    // thread may run it; slow for a large library. `stop` (when given) ends
    // it early, as Unreadable.
    static Check checkFile(const QString &path, const std::atomic_bool *stop = nullptr);
    // Moves the open file aside, after checkFile() found it damaged, and
    // starts a new one, as open() does with a file it finds damaged.
    OpenState setAside();
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
    // The articles per publication year of `timelineQuery` (YearCountsCsv's
    // text), counted at `counted`, kept with the result set `number`.
    bool recordYearCounts(qint64 number, const QString &timelineQuery, const QString &yearCounts,
                          const QDateTime &counted = QDateTime::currentDateTimeUtc());
    // The newest counts of `timelineQuery` made at `since` or later; an empty
    // text when there are none.
    std::optional<QString> yearCounts(const QString &timelineQuery, const QDateTime &since);
    // Newest first: all entries, or those of `numbers` (unknown ones are left out).
    std::optional<QList<HistoryEntry>> history(const QList<qint64> &numbers = {});
    // Oldest first, all entries or those of `numbers`, each handed to `each`
    // as it is read: a log of the whole history is never whole in memory.
    bool forEachHistoryEntry(const QList<qint64> &numbers, const std::function<void(const HistoryEntry &)> &each);
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
    // Marks seen exactly `pmids`, those shown: what another check found
    // since stays new.
    bool markSeen(qint64 id, const QStringList &pmids);
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
    // The PMIDs `collection` holds, in the order they were added.
    std::optional<PmidList> collectionPmids(qint64 collection);
    // What the library holds of each of `pmids`, by PMID, for an update to
    // compare with; those it does not hold are left out.
    std::optional<QHash<qint64, StoredVersion>> storedVersions(const PmidList &pmids);
    // Every PMID the library holds (in a collection or noted), to mark results already kept.
    std::optional<PmidSet> libraryPmids();
    // Those of `pmids` the library holds, after a change that may have added or dropped them.
    std::optional<QSet<qint64>> libraryPmidsAmong(const QList<qint64> &pmids);
    std::optional<QString> note(qint64 pmid);
    bool setNote(qint64 pmid, const QString &note);
    // Words and prefixes ("mening*") as typed, accents ignored, best match
    // first; over the whole library or one collection, kept full texts too
    // (articles found only there after the others); "methods: word" searches
    // that part of the kept texts alone. Any text is safe.
    // The best `limit` only (all for a negative one): by default as many as
    // a search of PubMed brings, what a result tab shows. Into `passages`,
    // when given: by PMID, the best passage of each kept text that matched.
    std::optional<PmidList> searchArticles(const QString &text, std::optional<qint64> collection = std::nullopt,
                                           int limit = kEsearchRecordLimit, QHash<qint64, QString> *passages = nullptr);
    // New records and XML of stored articles, notes kept; others are skipped.
    bool replaceArticles(const QList<ArticleToStore> &articles);
    // A consistent copy of the library at `target`, replacing any file there,
    // while others go on using it; the kept full texts are copied to the
    // folder `target`.fulltext beside it.
    bool backup(const QString &target);
    // The stored records and XML of `pmids`, in that order, to be stored
    // again (in another collection, or back after a removal: with their
    // places in `collection`); those the library does not hold are left out
    // (LibraryStoreLookup.cpp).
    std::optional<QList<ArticleToStore>> articlesToStore(const PmidList &pmids, qint64 collection = 0);

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
    // The PMIDs with a kept full text, ascending.
    std::optional<QList<qint64>> fullTextPmids();
    // The best `limit` passages of kept texts (of `collection`) that match
    // `text` (as searchArticles takes it), best first; a leading "methods:"
    // (any part's name) or `section` narrows the search to that part.
    std::optional<QList<FullTextHit>> searchFullTexts(const QString &text, const QString &section = {}, int limit = 200,
                                                      std::optional<qint64> collection = std::nullopt);
    // The text starts with the name of a part of the full texts ("methods:").
    static bool isFullTextPart(const QString &text);

private:
    // The reviews' part of the store, on this connection and its transactions.
    friend class ReviewStore;

    // `ranked`: the library's ranking is made known, for its searches.
    bool connect(bool readOnly, bool ranked);
    // Removes files of the full-text folder that no row holds, and temporary
    // ones a killed download left behind.
    void sweepFullTextFiles();
    // `pmids` followed by the articles (of `collection`) whose kept text
    // matches the FTS5 query `match` and that are not among them, best first.
    std::optional<PmidList> withFullTextMatches(PmidList pmids, const QString &match, std::optional<qint64> collection, int limit,
                                                QHash<qint64, QString> *passages);
    std::optional<QList<FullTextHit>> matchFullTexts(const QString &match, std::optional<qint64> collection, int limit);
    bool backupFullTexts(const QString &target);
    void disconnect();
    // The file's schema version, or why it cannot be trusted.
    struct Inspection
    {
        Check check;
        int version = -1;
    };
    Inspection inspect();
    bool moveAside();
    bool configure();
    bool migrate(int targetVersion);
    // Runs `change` as one immediate transaction: all of it lands or none.
    bool write(const std::function<bool(QSqlQuery &)> &change, Sync sync = Sync::Now);
    // Waits for the disk to hold every commit made so far.
    bool syncToDisk();
    bool fail(const QString &what, const QSqlQuery &query);
    // `ids` as one JSON array, bound to a single "json_each(?)" whatever their number.
    static QString idArray(const QList<qint64> &ids);
    // Hands `row` each stored article among `pmids`: its PMID, record, XML as
    // stored, and its place in `collection` (0 when not in it). False, with
    // error() set, when reading fails or a record is damaged (or `row` says so).
    using StoredRow = std::function<bool(qint64, ArticleRecord &&, const QByteArray &, qint64)>;
    bool readStored(const PmidList &pmids, const StoredRow &row, qint64 collection = 0);
    bool fail(const QString &what, const QString &reason);
    // SQLite's own handle of a connection of Qt's driver, for what the
    // driver does not offer or does slowly; null when there is none.
    static sqlite3 *handleOf(const QSqlDatabase &db);
    sqlite3 *handle() const { return handleOf(QSqlDatabase::database(m_connection, false)); }
    // The first column of each row of `sql`, its parameters set by `bind`.
    std::optional<QList<qint64>> readPmids(const QByteArray &sql, const std::function<int(sqlite3_stmt *)> &bind);

    QString m_path;
    QString m_connection;
    std::function<bool()> m_interrupt;
    QString m_movedAsideTo;
    QString m_error;
    bool m_open = false;
};
