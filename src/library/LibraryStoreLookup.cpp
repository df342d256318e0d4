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

std::optional<QList<ArticleToStore>> LibraryStore::articlesToStore(const PmidList &pmids)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    // One query for any number of PMIDs: they travel as one JSON array.
    query.prepare(QStringLiteral("SELECT a.pmid, a.record, x.xml FROM article a JOIN article_xml x ON x.pmid = a.pmid"
                                 " WHERE a.pmid IN (SELECT value FROM json_each(?))"));
    query.addBindValue(idArray(pmids));
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
        std::optional<QByteArray> xml = StoredXml::uncompressed(query.value(2).toByteArray());
        if (!xml) {
            m_error = LibraryMessages::damagedRecord(m_path);
            return std::nullopt;
        }
        found.insert(query.value(0).toLongLong(), {std::move(*record), std::move(*xml)});
    }
    QList<ArticleToStore> articles;
    articles.reserve(found.size());
    for (const qint64 pmid : pmids) {
        if (auto it = found.find(pmid); it != found.end())
            articles.append(std::move(*it));
    }
    return articles;
}
