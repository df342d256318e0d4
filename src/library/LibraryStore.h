#pragma once

#include "library/HistoryEntry.h"
#include "library/SavedSearch.h"

#include <QDateTime>
#include <QList>
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
    static constexpr int kSchemaVersion = 1;

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

private:
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
