#include "library/LibraryStore.h"

#include "library/OfflineQuery.h"
#include "library/RecordBlob.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QUuid>

namespace {

using Key = ArticleRecord::Key;

QString now()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

QString joined(const ArticleRecord &record, Key key)
{
    return record.list(key).join(QLatin1Char('\n'));
}

// Writes an article and its row of the text index; an article already
// stored keeps its note.
bool storeArticle(QSqlQuery &query, const ArticleToStore &article, const QString &time)
{
    const ArticleRecord &record = article.record;
    query.prepare(QStringLiteral(
        "INSERT INTO article (pmid, record, xml, updated) VALUES (?, ?, ?, ?)"
        " ON CONFLICT (pmid) DO UPDATE SET record = excluded.record, xml = excluded.xml, updated = excluded.updated"));
    const qint64 pmid = record.text(Key::PMID).toLongLong();
    query.addBindValue(pmid);
    query.addBindValue(RecordBlob::encode(record));
    query.addBindValue(QString::fromUtf8(article.xml));
    query.addBindValue(time);
    if (!query.exec())
        return false;
    query.prepare(QStringLiteral(
        "INSERT OR REPLACE INTO article_text (rowid, title, abstract, authors, journal, keywords, mesh, note)"
        " SELECT ?, ?, ?, ?, ?, ?, ?, note FROM article WHERE pmid = ?"));
    query.addBindValue(pmid);
    query.addBindValue(record.text(Key::Title));
    query.addBindValue(record.text(Key::Abstract));
    query.addBindValue(record.text(Key::AuthorsString) + QLatin1Char('\n') + joined(record, Key::ForeNames));
    query.addBindValue(record.text(Key::Journal) + QLatin1Char('\n') + record.text(Key::JournalTitle));
    query.addBindValue(joined(record, Key::Keywords));
    query.addBindValue(joined(record, Key::Mesh));
    query.addBindValue(pmid);
    return query.exec();
}

// Articles in no collection and without a note have nothing left to keep them.
bool dropUnheld(QSqlQuery &query)
{
    return query.exec(QStringLiteral(
        "DELETE FROM article WHERE note = ''"
        " AND NOT EXISTS (SELECT 1 FROM collection_article c WHERE c.pmid = article.pmid)"));
}

const QString &noSuchCollection()
{
    static const QString message = QStringLiteral("That collection is no longer in the library.");
    return message;
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
        error = QStringLiteral("There is already a collection named %1.").arg(name);
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
    if (!query.exec())
        return false;
    if (query.numRowsAffected() != 1) {
        error = noSuchCollection();
        return false;
    }
    return true;
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
        m_error = QStringLiteral("A collection needs a name.");
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
        m_error = QStringLiteral("A collection needs a name.");
        return false;
    }
    return write([&](QSqlQuery &query) {
        if (!nameFree(query, trimmed, id, m_error))
            return false;
        query.prepare(QStringLiteral("UPDATE collection SET name = ? WHERE id = ?"));
        query.addBindValue(trimmed);
        query.addBindValue(id);
        if (!query.exec())
            return false;
        if (query.numRowsAffected() != 1) {
            m_error = noSuchCollection();
            return false;
        }
        return touch(query, id, now(), m_error);
    });
}

bool LibraryStore::deleteCollection(qint64 id)
{
    return write([&](QSqlQuery &query) {
        query.prepare(QStringLiteral("DELETE FROM collection WHERE id = ?"));
        query.addBindValue(id);
        if (!query.exec())
            return false;
        if (query.numRowsAffected() != 1) {
            m_error = noSuchCollection();
            return false;
        }
        return dropUnheld(query);
    });
}

bool LibraryStore::markCollectionUsed(qint64 id)
{
    return write([&](QSqlQuery &query) { return touch(query, id, now(), m_error); });
}

std::optional<QList<Collection>> LibraryStore::collections()
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(QStringLiteral(
            "SELECT c.id, c.name, c.created, c.last_used,"
            " (SELECT count(*) FROM collection_article a WHERE a.collection = c.id)"
            " FROM collection c ORDER BY c.last_used DESC, c.id DESC"))) {
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
    m_error = QStringLiteral("There is no collection named %1.").arg(name);
    return std::nullopt;
}

bool LibraryStore::addArticles(qint64 collection, const QList<ArticleToStore> &articles)
{
    for (const ArticleToStore &article : articles) {
        if (!validPmid(article.record)) {
            m_error = QStringLiteral("An article without a PMID cannot be kept in the library.");
            return false;
        }
    }
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
        QSqlQuery link(QSqlDatabase::database(m_connection, false));
        link.prepare(QStringLiteral(
            "INSERT OR IGNORE INTO collection_article (collection, pmid, added, position) VALUES (?, ?, ?, ?)"));
        for (const ArticleToStore &article : articles) {
            if (!storeArticle(query, article, time))
                return false;
            link.addBindValue(collection);
            link.addBindValue(article.record.text(Key::PMID).toLongLong());
            link.addBindValue(time);
            link.addBindValue(++position);
            if (!link.exec())
                return fail(QStringLiteral("adding to a collection"), link);
        }
        return true;
    });
}

bool LibraryStore::removeArticles(qint64 collection, const QList<qint64> &pmids)
{
    return write([&](QSqlQuery &query) {
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
            m_error = QStringLiteral("The library %1 holds a damaged record.").arg(m_path);
            return std::nullopt;
        }
        list.append({std::move(*record), query.value(1).toString()});
    }
    return list;
}

std::optional<QHash<qint64, QByteArray>> LibraryStore::articleXml(qint64 collection)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral(
        "SELECT a.pmid, a.xml FROM collection_article c JOIN article a ON a.pmid = c.pmid WHERE c.collection = ?"));
    query.addBindValue(collection);
    if (!query.exec()) {
        fail(QStringLiteral("reading a collection"), query);
        return std::nullopt;
    }
    QHash<qint64, QByteArray> xml;
    while (query.next())
        xml.insert(query.value(0).toLongLong(), query.value(1).toString().toUtf8());
    return xml;
}

std::optional<QSet<qint64>> LibraryStore::libraryPmids()
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT pmid FROM article"))) {
        fail(QStringLiteral("listing the library"), query);
        return std::nullopt;
    }
    QSet<qint64> pmids;
    while (query.next())
        pmids.insert(query.value(0).toLongLong());
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
    return write([&](QSqlQuery &query) {
        query.prepare(QStringLiteral("UPDATE article SET note = ? WHERE pmid = ?"));
        // A null QString would bind as NULL.
        query.addBindValue(note.isNull() ? QStringLiteral("") : note);
        query.addBindValue(pmid);
        if (!query.exec())
            return false;
        if (query.numRowsAffected() != 1) {
            m_error = QStringLiteral("Only an article kept in the library can have a note.");
            return false;
        }
        return dropUnheld(query);
    });
}

std::optional<PmidList> LibraryStore::searchArticles(const QString &text, std::optional<qint64> collection)
{
    const QString match = OfflineQuery::fromUserText(text);
    if (match.isEmpty())
        return PmidList();
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    if (collection) {
        query.prepare(QStringLiteral(
            "SELECT t.rowid FROM article_text t JOIN collection_article c ON c.pmid = t.rowid AND c.collection = ?"
            " WHERE article_text MATCH ? ORDER BY bm25(article_text), t.rowid"));
        query.addBindValue(*collection);
    } else {
        query.prepare(QStringLiteral(
            "SELECT rowid FROM article_text WHERE article_text MATCH ? ORDER BY bm25(article_text), rowid"));
    }
    query.addBindValue(match);
    if (!query.exec()) {
        fail(QStringLiteral("searching"), query);
        return std::nullopt;
    }
    PmidList pmids;
    while (query.next())
        pmids.append(query.value(0).toLongLong());
    return pmids;
}

bool LibraryStore::replaceArticles(const QList<ArticleToStore> &articles)
{
    return write([&](QSqlQuery &query) {
        const QString time = now();
        QSqlQuery held(QSqlDatabase::database(m_connection, false));
        held.prepare(QStringLiteral("SELECT 1 FROM article WHERE pmid = ?"));
        for (const ArticleToStore &article : articles) {
            held.addBindValue(article.record.text(Key::PMID).toLongLong());
            if (!held.exec())
                return fail(QStringLiteral("replacing records"), held);
            if (held.next() && !storeArticle(query, article, time))
                return false;
            held.finish();
        }
        return true;
    });
}

bool LibraryStore::backup(const QString &target)
{
    // VACUUM INTO refuses an existing file, and a half-written copy must not
    // take the place of an earlier good one: write beside it, then rename.
    const QString partial = QFileInfo(target).absolutePath() + QStringLiteral("/.")
                            + QFileInfo(target).fileName() + QStringLiteral(".")
                            + QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral(".partial");
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("VACUUM INTO ?"));
    query.addBindValue(partial);
    if (!query.exec()) {
        QFile::remove(partial);
        return fail(QStringLiteral("back-up to %1").arg(target), query);
    }
    QFile::setPermissions(partial, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (QFileInfo::exists(target) && !QFile::remove(target)) {
        QFile::remove(partial);
        m_error = QStringLiteral("%1 could not be replaced.").arg(target);
        return false;
    }
    if (!QFile::rename(partial, target)) {
        QFile::remove(partial);
        m_error = QStringLiteral("The back-up could not be written to %1.").arg(target);
        return false;
    }
    return true;
}
