#include "library/LibraryStore.h"

#include "library/ArticleRanking.h"
#include "library/LibraryMessages.h"
#include "library/OfflineQuery.h"
#include "library/RecordBlob.h"
#include "library/StoredXml.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

// Runs a prepared change that must touch exactly one row; when it touches
// none, `error` says what was missing.
bool execOne(QSqlQuery &query, QString &error, const QString &missing)
{
    if (!query.exec())
        return false;
    if (query.numRowsAffected() == 1)
        return true;
    error = missing;
    return false;
}

using Key = ArticleRecord::Key;

QString now()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

QString joined(const ArticleRecord &record, Key key)
{
    return record.list(key).join(QLatin1Char('\n'));
}

// Compressing is most of the work of a large add: done before the write lock
// is taken, on two threads when there is enough of it.
QList<QByteArray> compressedXml(const QList<ArticleToStore> &articles)
{
    QList<QByteArray> compressed(articles.size());
    QByteArray *out = compressed.data();
    const auto range = [&](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to; ++i)
            out[i] = StoredXml::compressed(articles.at(i).xml);
    };
    const qsizetype half = articles.size() / 2;
    if (half < 32) {
        range(0, articles.size());
        return compressed;
    }
    std::thread second(range, half, articles.size());
    range(0, half);
    second.join();
    return compressed;
}

// Every author, not the shortened list of a citation.
QString authorNames(const ArticleRecord &record)
{
    std::string names;
    for (qsizetype i = 0; i < record.authorCount(); ++i)
        names.append(record.authorLastnameUtf8(i)).append(" ").append(record.authorForeNameUtf8(i)).append("\n");
    return QString::fromStdString(names);
}

// Writes articles, then their rows of the text index, an article already
// stored keeping its note; its statements are prepared once for many.
// The index rows go in last, each alone: a statement that may undo part of
// itself opens a savepoint, and every savepoint makes the text index write
// out what it holds in memory, a segment per article to merge afterwards.
class ArticleWriter
{
public:
    explicit ArticleWriter(const QSqlDatabase &db) : m_article(db), m_xml(db), m_text(db) {}

    bool prepare()
    {
        return m_article.prepare(QStringLiteral(
                   "INSERT INTO article (pmid, record, updated) VALUES (?, ?, ?) ON CONFLICT (pmid)"
                   " DO UPDATE SET record = excluded.record, updated = excluded.updated"))
               && m_xml.prepare(QStringLiteral("INSERT OR REPLACE INTO article_xml (pmid, xml) VALUES (?, ?)"))
               && m_text.prepare(QStringLiteral(
                   "INSERT OR REPLACE INTO article_text (rowid, title, abstract, authors, journal, keywords, mesh, note)"
                   " VALUES (?, ?, ?, ?, ?, ?, ?, (SELECT note FROM article WHERE pmid = ?))"));
    }

    // `xml`: the article's XML as StoredXml::compressed() gives it. Its text is
    // indexed by finish().
    bool write(const ArticleToStore &article, const QByteArray &xml, const QString &time)
    {
        const ArticleRecord &record = article.record;
        const qint64 pmid = record.text(Key::PMID).toLongLong();
        m_article.bindValue(0, pmid);
        m_article.bindValue(1, RecordBlob::encode(record));
        m_article.bindValue(2, time);
        m_xml.bindValue(0, pmid);
        m_xml.bindValue(1, xml);
        if (!m_article.exec() || !m_xml.exec())
            return false;
        m_written.append(&record);
        return true;
    }

    // Indexes the text of the articles written.
    bool finish()
    {
        for (const ArticleRecord *record : std::as_const(m_written)) {
            const qint64 pmid = record->text(Key::PMID).toLongLong();
            const QVariantList text{pmid, record->text(Key::Title), record->text(Key::Abstract), authorNames(*record),
                                    record->text(Key::Journal) + QLatin1Char('\n') + record->text(Key::JournalTitle),
                                    joined(*record, Key::Keywords), joined(*record, Key::Mesh), pmid};
            for (qsizetype i = 0; i < text.size(); ++i)
                m_text.bindValue(int(i), text.at(i));
            if (!m_text.exec())
                return false;
        }
        m_written.clear();
        return true;
    }

    // The statement that failed.
    const QSqlQuery &failed() const
    {
        return m_article.lastError().isValid() ? m_article : m_xml.lastError().isValid() ? m_xml : m_text;
    }

private:
    QSqlQuery m_article;
    QSqlQuery m_xml;
    QSqlQuery m_text;
    QList<const ArticleRecord *> m_written;
};

// Articles in no collection and without a note have nothing left to keep them.
bool dropUnheld(QSqlQuery &query)
{
    return query.exec(QStringLiteral(
        "DELETE FROM article WHERE note = ''"
        " AND NOT EXISTS (SELECT 1 FROM collection_article c WHERE c.pmid = article.pmid)"));
}

// Fails, with `error` set, when another collection has the name.
bool nameFree(QSqlQuery &query, const QString &name, qint64 except, QString &error)
{
    query.prepare(QStringLiteral("SELECT 1 FROM collection WHERE name = ? AND id <> ?"));
    query.addBindValue(name);
    query.addBindValue(except);
    if (!query.exec())
        return false;
    if (query.next()) {
        error = LibraryMessages::nameTaken(name);
        return false;
    }
    query.finish();
    return true;
}

// Fails, with `error` set, when the collection is gone.
bool touch(QSqlQuery &query, qint64 collection, const QString &time, QString &error)
{
    // Later than any other use, even within the same millisecond, so that
    // the list's order is the order of use.
    if (!query.exec(QStringLiteral("SELECT max(last_used) FROM collection")) || !query.next())
        return false;
    const QDateTime latest = QDateTime::fromString(query.value(0).toString(), Qt::ISODateWithMs);
    QDateTime used = QDateTime::fromString(time, Qt::ISODateWithMs);
    if (latest.isValid() && latest >= used)
        used = latest.addMSecs(1);
    query.finish();
    query.prepare(QStringLiteral("UPDATE collection SET last_used = ? WHERE id = ?"));
    query.addBindValue(used.toString(Qt::ISODateWithMs));
    query.addBindValue(collection);
    return execOne(query, error, LibraryMessages::collectionGone());
}

// Runs `sql` on SQLite itself, for what Qt's driver does slowly: `bind`
// sets its parameters, `row` takes each row. SQLite's words for a failure.
std::optional<QString> eachRow(sqlite3 *db, const QByteArray &sql, const std::function<int(sqlite3_stmt *)> &bind,
                               const std::function<void(sqlite3_stmt *)> &row)
{
    sqlite3_stmt *statement = nullptr;
    int rc = db ? sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &statement, nullptr) : SQLITE_MISUSE;
    if (rc == SQLITE_OK && bind)
        rc = bind(statement);
    while (rc == SQLITE_OK && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
        row(statement);
        rc = SQLITE_OK;
    }
    sqlite3_finalize(statement);
    if (rc == SQLITE_DONE)
        return std::nullopt;
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
}

bool validPmid(const ArticleRecord &record)
{
    return !record.utf8(Key::PMID).empty();
}

} // namespace

std::optional<qint64> LibraryStore::createCollection(const QString &name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        m_error = LibraryMessages::nameMissing();
        return std::nullopt;
    }
    qint64 id = 0;
    const bool made = write([&](QSqlQuery &query) {
        if (!nameFree(query, trimmed, 0, m_error))
            return false;
        query.prepare(QStringLiteral("INSERT INTO collection (name, created, last_used) VALUES (?, ?, ?)"));
        const QString time = now();
        query.addBindValue(trimmed);
        query.addBindValue(time);
        query.addBindValue(time);
        if (!query.exec())
            return false;
        id = query.lastInsertId().toLongLong();
        return touch(query, id, time, m_error);
    });
    if (!made)
        return std::nullopt;
    return id;
}

bool LibraryStore::renameCollection(qint64 id, const QString &name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        m_error = LibraryMessages::nameMissing();
        return false;
    }
    return write([&](QSqlQuery &query) {
        if (!nameFree(query, trimmed, id, m_error))
            return false;
        query.prepare(QStringLiteral("UPDATE collection SET name = ? WHERE id = ?"));
        query.addBindValue(trimmed);
        query.addBindValue(id);
        if (!execOne(query, m_error, LibraryMessages::collectionGone()))
            return false;
        return touch(query, id, now(), m_error);
    });
}

bool LibraryStore::deleteCollection(qint64 id)
{
    const bool deleted = write([&](QSqlQuery &query) {
        query.prepare(QStringLiteral("DELETE FROM collection WHERE id = ?"));
        query.addBindValue(id);
        if (!execOne(query, m_error, LibraryMessages::collectionGone()))
            return false;
        return dropUnheld(query);
    });
    // The full texts of the articles dropped went with their rows.
    if (deleted)
        sweepFullTextFiles();
    return deleted;
}

bool LibraryStore::markCollectionUsed(qint64 id)
{
    return write([&](QSqlQuery &query) { return touch(query, id, now(), m_error); });
}

std::optional<QList<Collection>> LibraryStore::collections()
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(QStringLiteral(
            "SELECT id, name, created, last_used, size FROM collection ORDER BY last_used DESC, id DESC"))) {
        fail(QStringLiteral("listing collections"), query);
        return std::nullopt;
    }
    QList<Collection> list;
    while (query.next()) {
        list.append({query.value(0).toLongLong(), query.value(1).toString(),
                     QDateTime::fromString(query.value(2).toString(), Qt::ISODateWithMs),
                     QDateTime::fromString(query.value(3).toString(), Qt::ISODateWithMs), query.value(4).toLongLong()});
    }
    return list;
}

std::optional<Collection> LibraryStore::collectionNamed(const QString &name)
{
    const std::optional<QList<Collection>> all = collections();
    if (!all)
        return std::nullopt;
    for (const Collection &collection : *all) {
        if (collection.name == name.trimmed())
            return collection;
    }
    m_error = LibraryMessages::noCollection(name);
    return std::nullopt;
}

bool LibraryStore::addArticles(qint64 collection, const QList<ArticleToStore> &articles)
{
    for (const ArticleToStore &article : articles) {
        if (!validPmid(article.record)) {
            m_error = LibraryMessages::noPmid();
            return false;
        }
    }
    const QList<QByteArray> xml = compressedXml(articles);
    return write([&](QSqlQuery &query) {
        const QString time = now();
        if (!touch(query, collection, time, m_error))
            return false;
        query.prepare(QStringLiteral("SELECT coalesce(max(position), 0) FROM collection_article WHERE collection = ?"));
        query.addBindValue(collection);
        if (!query.exec() || !query.next())
            return false;
        qint64 position = query.value(0).toLongLong();
        query.finish();
        const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        ArticleWriter writer(db);
        QSqlQuery link(db);
        if (!writer.prepare() || !link.prepare(QStringLiteral(
                "INSERT OR IGNORE INTO collection_article (collection, pmid, added, position) VALUES (?, ?, ?, ?)")))
            return fail(QStringLiteral("adding to a collection"), link.lastError().isValid() ? link : writer.failed());
        for (qsizetype i = 0; i < articles.size(); ++i) {
            if (!writer.write(articles.at(i), xml.at(i), time))
                return fail(QStringLiteral("storing an article"), writer.failed());
            link.bindValue(0, collection);
            link.bindValue(1, articles.at(i).record.text(Key::PMID).toLongLong());
            link.bindValue(2, time);
            // An article put back after a removal takes its old place.
            link.bindValue(3, articles.at(i).position > 0 ? articles.at(i).position : ++position);
            if (!link.exec())
                return fail(QStringLiteral("adding to a collection"), link);
        }
        return writer.finish() || fail(QStringLiteral("storing an article"), writer.failed());
    });
}

bool LibraryStore::removeArticles(qint64 collection, const QList<qint64> &pmids)
{
    const bool removed = write([&](QSqlQuery &query) {
        if (!touch(query, collection, now(), m_error))
            return false;
        query.prepare(QStringLiteral("DELETE FROM collection_article WHERE collection = ? AND pmid = ?"));
        for (const qint64 pmid : pmids) {
            query.addBindValue(collection);
            query.addBindValue(pmid);
            if (!query.exec())
                return false;
        }
        return dropUnheld(query);
    });
    if (removed)
        sweepFullTextFiles();
    return removed;
}

std::optional<QList<StoredArticle>> LibraryStore::articles(qint64 collection)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral(
        "SELECT a.record, a.note FROM collection_article c JOIN article a ON a.pmid = c.pmid"
        " WHERE c.collection = ? ORDER BY c.position"));
    query.addBindValue(collection);
    if (!query.exec()) {
        fail(QStringLiteral("reading a collection"), query);
        return std::nullopt;
    }
    QList<StoredArticle> list;
    while (query.next()) {
        std::optional<ArticleRecord> record = RecordBlob::decode(query.value(0).toByteArray());
        if (!record) {
            m_error = LibraryMessages::damagedRecord(m_path);
            return std::nullopt;
        }
        list.append({std::move(*record), query.value(1).toString()});
    }
    return list;
}

std::optional<QList<StoredArticle>> LibraryStore::storedArticles(const PmidList &pmids)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT pmid, record, note FROM article WHERE pmid IN (SELECT value FROM json_each(?))"));
    query.addBindValue(idArray(pmids));
    if (!query.exec()) {
        fail(QStringLiteral("reading articles"), query);
        return std::nullopt;
    }
    QHash<qint64, StoredArticle> found;
    while (query.next()) {
        std::optional<ArticleRecord> record = RecordBlob::decode(query.value(1).toByteArray());
        if (!record) {
            m_error = LibraryMessages::damagedRecord(m_path);
            return std::nullopt;
        }
        found.insert(query.value(0).toLongLong(), {std::move(*record), query.value(2).toString()});
    }
    QList<StoredArticle> list;
    for (const qint64 pmid : pmids) {
        if (const auto it = found.constFind(pmid); it != found.cend())
            list.append(*it);
    }
    return list;
}

std::optional<PmidSet> LibraryStore::libraryPmids()
{
    // From the index of PMIDs, not the table, whose pages hold the records,
    // in order; straight from SQLite, since all of them are read at every start.
    std::optional<QList<qint64>> pmids = readPmids("SELECT pmid FROM article INDEXED BY article_pmid ORDER BY pmid", {});
    if (!pmids)
        return std::nullopt;
    return PmidSet(std::move(*pmids));
}

std::optional<QSet<qint64>> LibraryStore::libraryPmidsAmong(const QList<qint64> &pmids)
{
    const QByteArray array = idArray(pmids).toUtf8();
    const std::optional<QList<qint64>> held =
        readPmids("SELECT pmid FROM article INDEXED BY article_pmid WHERE pmid IN (SELECT value FROM json_each(?1))",
                  [&](sqlite3_stmt *statement) {
                      return sqlite3_bind_text(statement, 1, array.constData(), int(array.size()), SQLITE_STATIC);
                  });
    if (!held)
        return std::nullopt;
    return QSet<qint64>(held->cbegin(), held->cend());
}

std::optional<PmidList> LibraryStore::collectionPmids(qint64 collection)
{
    return readPmids("SELECT pmid FROM collection_article WHERE collection = ?1 ORDER BY position",
                     [&](sqlite3_stmt *statement) { return sqlite3_bind_int64(statement, 1, collection); });
}

std::optional<QList<qint64>> LibraryStore::readPmids(const QByteArray &sql, const std::function<int(sqlite3_stmt *)> &bind)
{
    QList<qint64> pmids;
    if (const std::optional<QString> failure =
            eachRow(handle(), sql, bind, [&](sqlite3_stmt *row) { pmids.append(sqlite3_column_int64(row, 0)); })) {
        fail(QStringLiteral("listing the library"), *failure);
        return std::nullopt;
    }
    return pmids;
}

std::optional<QString> LibraryStore::note(qint64 pmid)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("SELECT note FROM article WHERE pmid = ?"));
    query.addBindValue(pmid);
    if (!query.exec()) {
        fail(QStringLiteral("reading a note"), query);
        return std::nullopt;
    }
    return query.next() ? query.value(0).toString() : QString();
}

bool LibraryStore::setNote(qint64 pmid, const QString &note)
{
    const bool set = write([&](QSqlQuery &query) {
        query.prepare(QStringLiteral("UPDATE article SET note = ? WHERE pmid = ?"));
        // A null QString would bind as NULL.
        query.addBindValue(note.isNull() ? QStringLiteral("") : note);
        query.addBindValue(pmid);
        if (!execOne(query, m_error, LibraryMessages::noteWithoutArticle()))
            return false;
        return dropUnheld(query);
    });
    if (set && note.isEmpty())
        sweepFullTextFiles();
    return set;
}

std::optional<PmidList> LibraryStore::searchArticles(const QString &text, std::optional<qint64> collection, int limit,
                                                     QHash<qint64, QString> *passages)
{
    // "methods: word" looks in that part of the kept full texts alone.
    if (isFullTextPart(text)) {
        const std::optional<QList<FullTextHit>> hits = searchFullTexts(text, {}, limit, collection);
        if (!hits)
            return std::nullopt;
        PmidList pmids;
        for (const FullTextHit &hit : *hits) {
            pmids.append(hit.pmid);
            if (passages)
                passages->insert(hit.pmid, hit.snippet);
        }
        return pmids;
    }
    const std::optional<QString> match = OfflineQuery::fromUserText(text);
    if (!match) {
        m_error = LibraryMessages::tooManyWords(OfflineQuery::kMaxWords);
        return std::nullopt;
    }
    if (match->isEmpty())
        return PmidList();
    // Not bm25 (FTS5's rank): see ArticleRanking.h. Every match is scored,
    // but only the best are put in order, here rather than by SQL's sorter;
    // and straight from SQLite: a row through Qt's driver costs more than
    // its ranking.
    const QByteArray sql = QStringLiteral("SELECT t.rowid, %1(article_text) FROM article_text t%2 WHERE article_text MATCH ?1")
                               .arg(QLatin1String(ArticleRanking::kFunction),
                                    collection ? QStringLiteral(" JOIN collection_article c ON c.pmid = t.rowid AND c.collection = ?2")
                                               : QString())
                               .toUtf8();
    const QByteArray matchText = match->toUtf8();
    std::vector<std::pair<double, qint64>> scored;
    const std::optional<QString> failure = eachRow(
        handle(), sql,
        [&](sqlite3_stmt *statement) {
            const int rc = sqlite3_bind_text(statement, 1, matchText.constData(), int(matchText.size()), SQLITE_STATIC);
            return rc == SQLITE_OK && collection ? sqlite3_bind_int64(statement, 2, *collection) : rc;
        },
        [&](sqlite3_stmt *row) { scored.emplace_back(sqlite3_column_double(row, 1), sqlite3_column_int64(row, 0)); });
    if (failure) {
        fail(QStringLiteral("searching"), *failure);
        return std::nullopt;
    }
    const size_t kept = limit < 0 ? scored.size() : std::min(scored.size(), size_t(limit));
    std::partial_sort(scored.begin(), scored.begin() + qsizetype(kept), scored.end(), [](const auto &a, const auto &b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    PmidList pmids;
    pmids.reserve(qsizetype(kept));
    for (size_t i = 0; i < kept; ++i)
        pmids.append(scored[i].second);
    // Then the articles found only in their kept full texts.
    return withFullTextMatches(std::move(pmids), *match, collection, limit, passages);
}

bool LibraryStore::replaceArticles(const QList<ArticleToStore> &articles)
{
    const QList<QByteArray> xml = compressedXml(articles);
    return write([&](QSqlQuery &) {
        const QString time = now();
        const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        ArticleWriter writer(db);
        QSqlQuery held(db);
        if (!writer.prepare() || !held.prepare(QStringLiteral("SELECT 1 FROM article WHERE pmid = ?")))
            return fail(QStringLiteral("replacing records"), held.lastError().isValid() ? held : writer.failed());
        for (qsizetype i = 0; i < articles.size(); ++i) {
            held.bindValue(0, articles.at(i).record.text(Key::PMID).toLongLong());
            if (!held.exec())
                return fail(QStringLiteral("replacing records"), held);
            const bool stored = held.next();
            held.finish();
            if (stored && !writer.write(articles.at(i), xml.at(i), time))
                return fail(QStringLiteral("storing an article"), writer.failed());
        }
        return writer.finish() || fail(QStringLiteral("storing an article"), writer.failed());
    });
}

bool LibraryStore::backup(const QString &target)
{
    // VACUUM INTO takes no existing file but an empty one, and a half-written
    // copy must not take the place of an earlier good one: the copy is made
    // beside the target, owner-only from the start, then renamed over it.
    const QFileInfo info(target);
    // Renamed over the open library, the copy would take its name while this
    // connection went on writing to a file no longer there; over one of its
    // journals, it would throw away what was written since the last
    // checkpoint, or be replayed into the library as a journal. The target
    // is compared once resolved, as the file it would replace.
    const QString resolved = info.exists() ? info.canonicalFilePath()
                                           : QFileInfo(info.absolutePath()).canonicalFilePath() + u'/' + info.fileName();
    const QString library = QFileInfo(m_path).canonicalFilePath();
    for (const QLatin1String suffix : {QLatin1String(""), QLatin1String("-wal"), QLatin1String("-shm"), QLatin1String("-journal")}) {
        if (resolved == library + suffix) {
            m_error = LibraryMessages::backupOverLibrary(target);
            return false;
        }
    }
    const QString partial = info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.')
                            + QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral(".partial");
    {
        QFile file(partial);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)
            || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
            m_error = LibraryMessages::backupFailed(target) + u' ' + file.errorString();
            return false;
        }
    }
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("VACUUM INTO ?"));
    query.addBindValue(partial);
    if (!query.exec()) {
        QFile::remove(partial);
        return fail(QStringLiteral("back-up to %1").arg(target), query);
    }
    // rename(2) replaces the target in one step.
    if (std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) != 0) {
        m_error = LibraryMessages::backupFailed(target) + u' ' + QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(partial);
        return false;
    }
    return backupFullTexts(target);
}
