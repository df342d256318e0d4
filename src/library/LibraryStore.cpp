#include "library/LibraryStore.h"

#include "library/ArticleRanking.h"
#include "library/LibraryMessages.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUuid>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace {

// Every commit waits for the disk unless a writer asks otherwise.
const QString kSynchronous = QStringLiteral("PRAGMA synchronous = FULL");

// Migration n (1-based) moves a file from schema n - 1 to n. A migration is
// never edited once released: a change to the schema is a new migration.
const QList<QStringList> &migrations()
{
    static const QList<QStringList> steps = {
        // 1: the search history and the saved searches.
        {
            QStringLiteral(
                "CREATE TABLE history ("
                " number INTEGER PRIMARY KEY AUTOINCREMENT," // AUTOINCREMENT: a number is never reused
                " started TEXT NOT NULL,"                    // local time, ISO 8601 with its offset
                " source TEXT NOT NULL DEFAULT 'query',"     // 'query', or the link set it followed
                " query TEXT NOT NULL,"                      // as typed
                " effective_query TEXT NOT NULL,"            // with the filters
                " sort TEXT NOT NULL DEFAULT '',"
                " filters TEXT NOT NULL DEFAULT '',"
                " result_count INTEGER,"                     // NULL until ESearch answers
                " translation TEXT,"
                " warnings TEXT)"),
            QStringLiteral("CREATE INDEX history_query ON history (query)"),
            QStringLiteral(
                "CREATE TABLE saved_search ("
                " id INTEGER PRIMARY KEY,"
                " name TEXT NOT NULL UNIQUE,"
                " query TEXT NOT NULL,"
                " sort TEXT NOT NULL DEFAULT '',"
                " filters TEXT NOT NULL DEFAULT '',"
                " created TEXT NOT NULL,"
                " last_checked TEXT)"), // UTC, ISO 8601; NULL before the first check
            QStringLiteral(
                "CREATE TABLE saved_search_pmid ("
                " saved_search INTEGER NOT NULL REFERENCES saved_search (id) ON DELETE CASCADE,"
                " pmid INTEGER NOT NULL,"
                " is_new INTEGER NOT NULL DEFAULT 0," // found by a check, not yet marked seen
                " found TEXT NOT NULL,"
                " PRIMARY KEY (saved_search, pmid)) WITHOUT ROWID"),
        },
        // 2: collections of stored articles, their notes and an index of their text.
        {
            QStringLiteral(
                "CREATE TABLE article ("
                " pmid INTEGER PRIMARY KEY,"
                " record BLOB NOT NULL," // RecordBlob
                " note TEXT NOT NULL DEFAULT '',"
                " updated TEXT NOT NULL)"), // UTC, ISO 8601: when the record was last fetched
            // Apart from the records, so that reading a collection's records
            // does not page through the XML.
            QStringLiteral(
                "CREATE TABLE article_xml ("
                " pmid INTEGER PRIMARY KEY REFERENCES article (pmid) ON DELETE CASCADE,"
                " xml BLOB NOT NULL)"), // the article's own element of the EFetch answer, qCompress'ed
            QStringLiteral(
                "CREATE TABLE collection ("
                " id INTEGER PRIMARY KEY,"
                " name TEXT NOT NULL UNIQUE,"
                " created TEXT NOT NULL,"
                " last_used TEXT NOT NULL)"),
            QStringLiteral(
                "CREATE TABLE collection_article ("
                " collection INTEGER NOT NULL REFERENCES collection (id) ON DELETE CASCADE,"
                " pmid INTEGER NOT NULL REFERENCES article (pmid),"
                " added TEXT NOT NULL,"
                " position INTEGER NOT NULL," // the order of adding, within the collection
                " PRIMARY KEY (collection, pmid)) WITHOUT ROWID"),
            QStringLiteral("CREATE INDEX collection_article_pmid ON collection_article (pmid)"),
            // Rowid = PMID. Rows are written with their article; the triggers
            // keep the note and deletions in step whoever changes them.
            QStringLiteral(
                "CREATE VIRTUAL TABLE article_text USING fts5("
                "title, abstract, authors, journal, keywords, mesh, note,"
                " tokenize = 'unicode61 remove_diacritics 2')"),
            QStringLiteral(
                "CREATE TRIGGER article_note AFTER UPDATE OF note ON article BEGIN"
                " UPDATE article_text SET note = new.note WHERE rowid = new.pmid; END"),
            QStringLiteral(
                "CREATE TRIGGER article_gone AFTER DELETE ON article BEGIN"
                " DELETE FROM article_text WHERE rowid = old.pmid; END"),
        },
        // 3: a search's articles per publication year, counted once and kept with its entry.
        {
            QStringLiteral("ALTER TABLE history ADD COLUMN timeline_query TEXT"), // the query counted
            QStringLiteral("ALTER TABLE history ADD COLUMN year_counts TEXT"),    // "Year,Count" lines
            QStringLiteral("ALTER TABLE history ADD COLUMN counted TEXT"),        // UTC, ISO 8601
            QStringLiteral("CREATE INDEX history_timeline ON history (timeline_query) WHERE timeline_query IS NOT NULL"),
        },
        // 4: what start-up reads kept small: the PMIDs alone, apart from the
        // records they sit beside (the library marks of every table read
        // them all), and each collection's size beside its name.
        {
            QStringLiteral("CREATE INDEX article_pmid ON article (pmid)"),
            QStringLiteral("ALTER TABLE collection ADD COLUMN size INTEGER NOT NULL DEFAULT 0"),
            QStringLiteral("UPDATE collection SET size = (SELECT count(*) FROM collection_article a WHERE a.collection = collection.id)"),
            QStringLiteral(
                "CREATE TRIGGER collection_grows AFTER INSERT ON collection_article BEGIN"
                " UPDATE collection SET size = size + 1 WHERE id = new.collection; END"),
            QStringLiteral(
                "CREATE TRIGGER collection_shrinks AFTER DELETE ON collection_article BEGIN"
                " UPDATE collection SET size = size - 1 WHERE id = old.collection; END"),
        },
        // 5: systematic reviews: their sources and records, the merges of
        // duplicates and every screening decision (ReviewStore).
        {
            QStringLiteral(
                "CREATE TABLE review ("
                " id INTEGER PRIMARY KEY,"
                " name TEXT NOT NULL UNIQUE,"
                " question TEXT NOT NULL DEFAULT '',"
                " inclusion TEXT NOT NULL DEFAULT '',"
                " exclusion TEXT NOT NULL DEFAULT '',"
                " reasons TEXT NOT NULL DEFAULT '',"    // one per line, in the order offered
                " highlights TEXT NOT NULL DEFAULT ''," // one word per line
                " created TEXT NOT NULL)"),
            QStringLiteral(
                "CREATE TABLE review_source ("
                " id INTEGER PRIMARY KEY,"
                " review INTEGER NOT NULL REFERENCES review (id) ON DELETE CASCADE,"
                " database TEXT NOT NULL,"
                " interface TEXT NOT NULL DEFAULT '',"
                " strategy TEXT NOT NULL DEFAULT '',"
                " searched TEXT NOT NULL," // the date of the search, ISO 8601
                " count INTEGER NOT NULL)"),
            QStringLiteral(
                "CREATE TABLE review_record ("
                " id INTEGER PRIMARY KEY,"
                " review INTEGER NOT NULL REFERENCES review (id) ON DELETE CASCADE,"
                " source INTEGER NOT NULL REFERENCES review_source (id) ON DELETE CASCADE,"
                " title TEXT NOT NULL, authors TEXT NOT NULL, journal TEXT NOT NULL, year TEXT NOT NULL,"
                " volume TEXT NOT NULL, issue TEXT NOT NULL, pages TEXT NOT NULL, doi TEXT NOT NULL,"
                " pmid TEXT NOT NULL, abstract TEXT NOT NULL, keywords TEXT NOT NULL,"
                " merged_into INTEGER REFERENCES review_record (id))"), // NULL while the record stands for itself
            QStringLiteral("CREATE INDEX review_record_review ON review_record (review, merged_into)"),
            QStringLiteral(
                "CREATE TABLE review_merge ("
                " id INTEGER PRIMARY KEY,"
                " review INTEGER NOT NULL REFERENCES review (id) ON DELETE CASCADE,"
                " kept INTEGER NOT NULL REFERENCES review_record (id) ON DELETE CASCADE,"
                " merged INTEGER NOT NULL REFERENCES review_record (id) ON DELETE CASCADE,"
                " rule TEXT NOT NULL, who TEXT NOT NULL, at TEXT NOT NULL,"
                " undone TEXT)"), // UTC, ISO 8601, once undone: the merge stays on record
            QStringLiteral(
                "CREATE TABLE review_distinct (" // pairs the user judged not to be duplicates
                " review INTEGER NOT NULL REFERENCES review (id) ON DELETE CASCADE,"
                " first INTEGER NOT NULL, second INTEGER NOT NULL,"
                " PRIMARY KEY (review, first, second)) WITHOUT ROWID"),
            QStringLiteral(
                "CREATE TABLE review_decision (" // every decision; a record's newest per screener counts
                " id INTEGER PRIMARY KEY,"
                " review INTEGER NOT NULL REFERENCES review (id) ON DELETE CASCADE,"
                " record INTEGER NOT NULL REFERENCES review_record (id) ON DELETE CASCADE,"
                " stage TEXT NOT NULL, choice TEXT NOT NULL, reason TEXT NOT NULL DEFAULT '',"
                " who TEXT NOT NULL, at TEXT NOT NULL)"),
            QStringLiteral("CREATE INDEX review_decision_stage ON review_decision (review, stage, record)"),
        },
        // 6: full texts kept with their articles, their files beside the library,
        // and an index of the texts with each part of an article a column.
        {
            QStringLiteral(
                "CREATE TABLE fulltext ("
                " pmid INTEGER NOT NULL REFERENCES article (pmid) ON DELETE CASCADE,"
                " kind TEXT NOT NULL," // 'text' or 'pdf'
                " source TEXT NOT NULL,"
                " address TEXT NOT NULL,"
                " licence TEXT NOT NULL DEFAULT '',"
                " version TEXT NOT NULL DEFAULT '',"
                " size INTEGER NOT NULL,"
                " checksum TEXT NOT NULL," // SHA-256 of the file
                " fetched TEXT NOT NULL,"  // UTC, ISO 8601
                " PRIMARY KEY (pmid, kind)) WITHOUT ROWID"),
            // Rowid = PMID; one row per kept text, the columns its parts.
            QStringLiteral(
                "CREATE VIRTUAL TABLE fulltext_text USING fts5("
                "title, abstract, introduction, methods, results, discussion, conclusions, captions, references, other,"
                " tokenize = 'unicode61 remove_diacritics 2')"),
            QStringLiteral(
                "CREATE TRIGGER fulltext_gone AFTER DELETE ON fulltext WHEN old.kind = 'text' BEGIN"
                " DELETE FROM fulltext_text WHERE rowid = old.pmid; END"),
        },
    };
    return steps;
}

const QByteArray kSqliteMagic("SQLite format 3\0", 16);

using Soundness = LibraryStore::Soundness;

// The tables with a row or more per article kept, per search made or per
// PMID a saved search found. Reading them at every start would read most of
// the file: only checkFile() goes through them.
bool growsWithLibrary(const QString &table)
{
    static const QStringList kGrowing = {QStringLiteral("article"), QStringLiteral("article_xml"),
                                         QStringLiteral("collection_article"), QStringLiteral("history"),
                                         QStringLiteral("saved_search_pmid"), QStringLiteral("review_record"),
                                         QStringLiteral("review_merge"), QStringLiteral("review_decision"),
                                         QStringLiteral("fulltext")};
    return kGrowing.contains(table) || table.startsWith(QLatin1String("article_text"))
        || table.startsWith(QLatin1String("fulltext_text"));
}

// A failure is damage only when SQLite says the file is no database or a
// malformed one; a lock, a permission or the disk says nothing of the file.
LibraryStore::Check failureOf(const QSqlError &error)
{
    const int code = error.nativeErrorCode().toInt() & 0xff;
    if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB)
        return {Soundness::Damaged, error.databaseText()};
    return {Soundness::Unreadable, error.databaseText().isEmpty() ? error.text() : error.databaseText()};
}

// Runs a check whose rows say "ok" or what is wrong.
LibraryStore::Check runCheck(QSqlQuery &query, const QString &statement)
{
    if (!query.exec(statement))
        return failureOf(query.lastError());
    while (query.next()) {
        if (query.value(0).toString() != QLatin1String("ok"))
            return {Soundness::Damaged, query.value(0).toString()};
    }
    if (query.lastError().isValid())
        return failureOf(query.lastError());
    return {};
}

// The schema, the version and the pages of the tables that do not grow with
// the library: what opening reads at once.
std::pair<LibraryStore::Check, int> examine(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return {failureOf(query.lastError()), -1};
    const int version = query.value(0).toInt();
    // Reading the schema makes SQLite look at the header and the schema's pages.
    if (!query.exec(QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'table'")))
        return {failureOf(query.lastError()), version};
    QStringList small;
    while (query.next()) {
        const QString name = query.value(0).toString();
        if (!growsWithLibrary(name) && !query.value(1).toString().startsWith(QLatin1String("CREATE VIRTUAL")))
            small.append(name);
    }
    if (query.lastError().isValid())
        return {failureOf(query.lastError()), version};
    // A newer schema is left alone, unread.
    if (version <= LibraryStore::kSchemaVersion) {
        for (QString table : std::as_const(small)) {
            const LibraryStore::Check check = runCheck(
                query, QStringLiteral("PRAGMA quick_check(\"%1\")").arg(table.replace(u'"', QStringLiteral("\"\""))));
            if (check.soundness != Soundness::Sound)
                return {check, version};
        }
    }
    return {{}, version};
}

} // namespace

QString LibraryStore::defaultPath()
{
    // Not AppDataLocation: the window and the command line have different
    // application names, and both must find the same file.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/Vexmoor/library.sqlite");
}

LibraryStore::LibraryStore(QString path)
    : m_path(std::move(path))
    , m_connection(QStringLiteral("library-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

LibraryStore::~LibraryStore()
{
    disconnect();
}

int LibraryStore::schemaVersion() const
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return -1;
    return query.value(0).toInt();
}

LibraryStore::OpenState LibraryStore::open(int targetVersion)
{
    disconnect();
    m_movedAsideTo.clear();
    m_error.clear();
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath())) {
        m_error = QStringLiteral("The folder of %1 could not be made.").arg(m_path);
        return OpenState::Failed;
    }
    if (QFileInfo::exists(m_path)) {
        const Inspection inspection = inspect();
        switch (inspection.check.soundness) {
        case Soundness::Unreadable:
            m_error = LibraryMessages::unreadableLibrary(m_path, inspection.check.reason);
            return OpenState::Failed;
        case Soundness::Damaged:
            if (!moveAside())
                return OpenState::Failed;
            break;
        case Soundness::Sound:
            if (inspection.version > kSchemaVersion)
                return OpenState::NewerSchema;
            break;
        }
    }
    {
        // Made (or narrowed) before SQLite opens it, so that the file and the
        // journals SQLite derives from it are the owner's alone from the start.
        QFile file(m_path);
        if (!file.open(QIODevice::ReadWrite)
            || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
            m_error = QStringLiteral("%1 could not be created: %2").arg(m_path, file.errorString());
            return OpenState::Failed;
        }
    }
    if (!connect(false, true) || !configure() || !migrate(targetVersion)) {
        disconnect();
        return OpenState::Failed;
    }
    m_open = true;
    sweepFullTextFiles();
    return OpenState::Opened;
}

bool LibraryStore::openToRead()
{
    disconnect();
    m_error.clear();
    m_open = connect(true, true);
    if (!m_open)
        disconnect();
    else if (m_interrupt)
        interruptWhen(std::move(m_interrupt));
    return m_open;
}

void LibraryStore::interruptWhen(std::function<bool()> stop)
{
    m_interrupt = std::move(stop);
    if (sqlite3 *db = handle()) {
        sqlite3_progress_handler(
            db, 1000, [](void *stop) { return int((*static_cast<const std::function<bool()> *>(stop))()); }, &m_interrupt);
    }
}

bool LibraryStore::connect(bool readOnly, bool ranked)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_path);
    // The busy timeout lets the window and vexmoor-cli take turns on the file.
    db.setConnectOptions(readOnly ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=10000")
                                  : QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    if (!db.open()) {
        m_error = QStringLiteral("%1 could not be opened: %2").arg(m_path, db.lastError().text());
        return false;
    }
    // Only where the library is searched: the look that decides whether a
    // file is damaged must never blame it for a build without the ranking.
    QString why;
    if (ranked && !ArticleRanking::install(db, why)) {
        m_error = QStringLiteral("%1 could not be opened: %2").arg(m_path, why);
        return false;
    }
    return true;
}

void LibraryStore::disconnect()
{
    m_open = false;
    if (!QSqlDatabase::contains(m_connection))
        return;
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

LibraryStore::Inspection LibraryStore::inspect()
{
    {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly))
            return {{Soundness::Unreadable, file.errorString()}};
        const QByteArray magic = file.read(kSqliteMagic.size());
        if (file.error() != QFileDevice::NoError)
            return {{Soundness::Unreadable, file.errorString()}};
        // An empty file is a database SQLite has not written to yet.
        if (!magic.isEmpty() && magic != kSqliteMagic)
            return {{Soundness::Damaged, {}}};
    }
    // Read only, so that a file this build must not touch stays as it is.
    Inspection inspection;
    if (connect(true, false))
        std::tie(inspection.check, inspection.version) = examine(QSqlDatabase::database(m_connection, false));
    else
        inspection.check = failureOf(QSqlDatabase::database(m_connection, false).lastError());
    disconnect();
    return inspection;
}

LibraryStore::Check LibraryStore::checkFile(const QString &path, const std::atomic_bool *stop)
{
    const QString name = QStringLiteral("library-check-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    Check check;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=10000"));
        if (!db.open()) {
            check = failureOf(db.lastError());
        } else {
            if (sqlite3 *handle = handleOf(db); stop && handle) {
                sqlite3_progress_handler(
                    handle, 1000,
                    [](void *flag) { return int(static_cast<const std::atomic_bool *>(flag)->load()); },
                    const_cast<std::atomic_bool *>(stop));
            }
            QSqlQuery query(db);
            check = runCheck(query, QStringLiteral("PRAGMA quick_check"));
        }
    }
    QSqlDatabase::removeDatabase(name);
    return check;
}

sqlite3 *LibraryStore::handleOf(const QSqlDatabase &db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    return qstrcmp(handle.typeName(), "sqlite3*") == 0 ? *static_cast<sqlite3 *const *>(handle.constData()) : nullptr;
}

LibraryStore::OpenState LibraryStore::setAside()
{
    disconnect();
    if (!moveAside())
        return OpenState::Failed;
    const QString movedTo = m_movedAsideTo;
    const OpenState state = open();
    m_movedAsideTo = movedTo;
    return state;
}

bool LibraryStore::moveAside()
{
    const QString stamp = QDate::currentDate().toString(Qt::ISODate);
    QString target = m_path + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = m_path + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(n);
    if (!QFile::rename(m_path, target)) {
        m_error = QStringLiteral("%1 is damaged and could not be moved aside.").arg(m_path);
        return false;
    }
    // The journals belong to the damaged file; left here, SQLite would
    // replay them into the new one.
    for (const QString &suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (QFileInfo::exists(m_path + suffix))
            QFile::rename(m_path + suffix, target + suffix);
    }
    m_movedAsideTo = target;
    return true;
}

bool LibraryStore::configure()
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    for (const QString &pragma : {QStringLiteral("PRAGMA journal_mode = WAL"), kSynchronous,
                                  QStringLiteral("PRAGMA foreign_keys = ON"),
                                  // A cache that holds the text index's pages while a large add
                                  // merges it: the default 2 MB re-reads them with a system call
                                  // each. No memory map: a read error in a mapped file ends the
                                  // process instead of failing one read the user is told about.
                                  QStringLiteral("PRAGMA cache_size = -65536")}) {
        if (!query.exec(pragma))
            return fail(pragma, query);
    }
    return true;
}

bool LibraryStore::migrate(int targetVersion)
{
    for (int version = schemaVersion(); version < targetVersion; ++version) {
        const bool migrated = write([&](QSqlQuery &query) {
            // Read again inside the transaction: another process may have
            // migrated the file since.
            if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
                return false;
            if (query.value(0).toInt() > version)
                return true;
            for (const QString &statement : migrations().at(version)) {
                if (!query.exec(statement))
                    return false;
            }
            return query.exec(QStringLiteral("PRAGMA user_version = %1").arg(version + 1));
        });
        if (!migrated)
            return false;
    }
    return true;
}

bool LibraryStore::write(const std::function<bool(QSqlQuery &)> &change, Sync sync)
{
    m_error.clear();
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (sync == Sync::Later) {
        // In the write-ahead log NORMAL commits without waiting for the disk,
        // still whole or not at all after a crash.
        if (!query.exec(QStringLiteral("PRAGMA synchronous = NORMAL")))
            return fail(query.lastQuery(), query);
        const bool done = write(change, Sync::Now);
        // The connection's other writers wait for the disk again.
        QSqlQuery restore(QSqlDatabase::database(m_connection, false));
        if (!restore.exec(kSynchronous) && done)
            return fail(kSynchronous, restore);
        return done;
    }
    // IMMEDIATE takes the write lock at once, so that two writers wait for
    // each other through the busy timeout instead of one failing midway.
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return fail(QStringLiteral("BEGIN"), query);
    if (!change(query)) {
        // A change that explained its own failure keeps its words.
        if (m_error.isEmpty() || query.lastError().isValid())
            fail(query.lastQuery(), query);
        query.exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    if (!query.exec(QStringLiteral("COMMIT"))) {
        fail(QStringLiteral("COMMIT"), query);
        query.exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    return true;
}

bool LibraryStore::syncToDisk()
{
    // The commits are in the write-ahead log while the library is in WAL
    // mode; flushing that file is what a FULL commit would have waited for.
    QFile log(m_path + QStringLiteral("-wal"));
    if (!log.exists())
        log.setFileName(m_path);
    if (!log.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("sync"), log.errorString());
    if (::fdatasync(log.handle()) != 0)
        return fail(QStringLiteral("sync"), QString::fromLocal8Bit(std::strerror(errno)));
    return true;
}

bool LibraryStore::fail(const QString &what, const QSqlQuery &query)
{
    return fail(what, query.lastError().text());
}

bool LibraryStore::fail(const QString &what, const QString &reason)
{
    m_error = QStringLiteral("The library %1 failed (%2): %3").arg(m_path, what, reason);
    return false;
}
