#include "library/LibraryStore.h"

#include "library/LibraryMessages.h"
#include "library/RecordBlob.h"
#include "library/StoredXml.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>

QString LibraryStore::idArray(const QList<qint64> &ids)
{
    QJsonArray array;
    for (const qint64 id : ids)
        array.append(id);
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

bool LibraryStore::readStored(const PmidList &pmids, const StoredRow &row, qint64 collection)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    // One query for any number of PMIDs: they travel as one JSON array.
    query.prepare(QStringLiteral("SELECT a.pmid, a.record, x.xml, coalesce(c.position, 0) FROM article a"
                                 " JOIN article_xml x ON x.pmid = a.pmid"
                                 " LEFT JOIN collection_article c ON c.pmid = a.pmid AND c.collection = ?"
                                 " WHERE a.pmid IN (SELECT value FROM json_each(?))"));
    query.addBindValue(collection);
    query.addBindValue(idArray(pmids));
    if (!query.exec())
        return fail(QStringLiteral("reading stored articles"), query);
    while (query.next()) {
        std::optional<ArticleRecord> record = RecordBlob::decode(query.value(1).toByteArray());
        if (!record || !row(query.value(0).toLongLong(), std::move(*record), query.value(2).toByteArray(), query.value(3).toLongLong())) {
            m_error = LibraryMessages::damagedRecord(m_path);
            return false;
        }
    }
    return true;
}

std::optional<QList<ArticleToStore>> LibraryStore::articlesToStore(const PmidList &pmids, qint64 collection)
{
    QHash<qint64, ArticleToStore> found;
    const auto keep = [&](qint64 pmid, ArticleRecord &&record, const QByteArray &compressed, qint64 position) {
        std::optional<QByteArray> xml = StoredXml::uncompressed(compressed);
        if (xml)
            found.insert(pmid, {std::move(record), std::move(*xml), position});
        return xml.has_value();
    };
    const bool read = readStored(pmids, keep, collection);
    if (!read)
        return std::nullopt;
    QList<ArticleToStore> articles;
    articles.reserve(found.size());
    for (const qint64 pmid : pmids) {
        if (auto it = found.find(pmid); it != found.end())
            articles.append(std::move(*it));
    }
    return articles;
}

std::optional<QHash<qint64, StoredVersion>> LibraryStore::storedVersions(const PmidList &pmids)
{
    QHash<qint64, StoredVersion> versions;
    const bool read = readStored(pmids, [&](qint64 pmid, ArticleRecord &&record, const QByteArray &compressed, qint64) {
        versions.insert(pmid, {compressed, record.isRetracted()});
        return true;
    });
    if (!read)
        return std::nullopt;
    return versions;
}
