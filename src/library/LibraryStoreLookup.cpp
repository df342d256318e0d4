#include "library/LibraryStore.h"

#include "library/LibraryMessages.h"
#include "library/RecordBlob.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>

std::optional<QList<ArticleToStore>> LibraryStore::articlesToStore(const PmidList &pmids, qint64 collection)
{
    QJsonArray wanted;
    for (const qint64 pmid : pmids)
        wanted.append(pmid);
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    // One query for any number of PMIDs: they travel as one JSON array.
    query.prepare(QStringLiteral("SELECT a.pmid, a.record, x.xml, coalesce(c.position, 0) FROM article a"
                                 " JOIN article_xml x ON x.pmid = a.pmid"
                                 " LEFT JOIN collection_article c ON c.pmid = a.pmid AND c.collection = ?"
                                 " WHERE a.pmid IN (SELECT value FROM json_each(?))"));
    query.addBindValue(collection);
    query.addBindValue(QString::fromUtf8(QJsonDocument(wanted).toJson(QJsonDocument::Compact)));
    if (!query.exec()) {
        fail(QStringLiteral("reading stored articles"), query);
        return std::nullopt;
    }
    QHash<qint64, ArticleToStore> found;
    while (query.next()) {
        std::optional<ArticleRecord> record = RecordBlob::decode(query.value(1).toByteArray());
        if (!record) {
            m_error = LibraryMessages::damagedRecord(m_path);
            return std::nullopt;
        }
        found.insert(query.value(0).toLongLong(),
                     {std::move(*record), qUncompress(query.value(2).toByteArray()), query.value(3).toLongLong()});
    }
    QList<ArticleToStore> articles;
    articles.reserve(found.size());
    for (const qint64 pmid : pmids) {
        if (auto it = found.find(pmid); it != found.end())
            articles.append(std::move(*it));
    }
    return articles;
}
