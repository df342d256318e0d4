#include "library/LibraryStore.h"

#include "library/ArticleRanking.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUuid>

namespace {

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
        // Full texts kept with their articles, their files beside the library,
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
        const int version = inspect();
        if (version > kSchemaVersion)
            return OpenState::NewerSchema;
        if (version < 0 && !moveAside())
            return OpenState::Failed;
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
    if (!connect(false) || !configure() || !migrate(targetVersion)) {
        disconnect();
        return OpenState::Failed;
    }
    m_open = true;
    sweepFullTextFiles();
    return OpenState::Opened;
}

bool LibraryStore::connect(bool readOnly)
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
    // Only where the library is searched: a read-only look decides whether a
    // file is damaged, and a build without the ranking must never say so.
    QString why;
    if (!readOnly && !ArticleRanking::install(db, why)) {
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

int LibraryStore::inspect()
{
    {
        QFile file(m_path);
        // An empty file is a database SQLite has not written to yet.
        if (file.open(QIODevice::ReadOnly) && file.size() > 0 && file.read(kSqliteMagic.size()) != kSqliteMagic)
            return -1;
    }
    // Read only, so that a file this build must not touch stays as it is.
    if (!connect(true)) {
        disconnect();
        return -1;
    }
    int version = schemaVersion();
    if (version >= 0 && version <= kSchemaVersion) {
        QSqlQuery check(QSqlDatabase::database(m_connection, false));
        if (!check.exec(QStringLiteral("PRAGMA quick_check")) || !check.next()
            || check.value(0).toString() != QLatin1String("ok"))
            version = -1;
    }
    disconnect();
    return version;
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
    for (const QString &pragma : {QStringLiteral("PRAGMA journal_mode = WAL"), QStringLiteral("PRAGMA synchronous = FULL"),
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

bool LibraryStore::write(const std::function<bool(QSqlQuery &)> &change)
{
    m_error.clear();
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
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

bool LibraryStore::fail(const QString &what, const QSqlQuery &query)
{
    m_error = QStringLiteral("The library %1 failed (%2): %3").arg(m_path, what, query.lastError().text());
    return false;
}
