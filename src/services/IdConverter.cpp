#include "services/IdConverter.h"

#include "entrez/Pmid.h"
#include "services/JsonValues.h"
#include "services/ServiceRequest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <pugixml.hpp>

namespace {

const char *typeName(ArticleIdType type)
{
    switch (type) {
    case ArticleIdType::Pmid:
        return "pmid";
    case ArticleIdType::Pmcid:
        return "pmcid";
    case ArticleIdType::Doi:
        break;
    }
    return "doi";
}

// Ids the answer gives are kept only in their own shapes, so nothing else
// reaches a request or a link.
ConvertedIds checked(ConvertedIds ids)
{
    if (!isPmid(ids.pmid.toStdString()))
        ids.pmid.clear();
    static const QRegularExpression pmcid(QStringLiteral("^PMC\\d{1,10}$"));
    if (!pmcid.match(ids.pmcid).hasMatch())
        ids.pmcid.clear();
    if (!ids.doi.startsWith(QLatin1String("10.")) || ids.doi.contains(QRegularExpression(QStringLiteral("\\s"))))
        ids.doi.clear();
    return ids;
}

IdConverterAnswer fromJson(const QJsonDocument &document)
{
    const QJsonValue records = document.object().value(QLatin1String("records"));
    if (!records.isArray())
        return {{}, QStringLiteral("the answer holds no records")};
    IdConverterAnswer answer;
    for (const QJsonValue &value : records.toArray()) {
        const QJsonObject record = value.toObject();
        if (record.value(QLatin1String("status")).toString() == QLatin1String("error"))
            continue;
        answer.records.append(checked({record.value(QLatin1String("requested-id")).toVariant().toString(),
                                       jsonPmid(record.value(QLatin1String("pmid"))),
                                       record.value(QLatin1String("pmcid")).toString(),
                                       record.value(QLatin1String("doi")).toString()}));
    }
    return answer;
}

IdConverterAnswer fromXml(const QByteArray &body)
{
    pugi::xml_document document;
    if (!document.load_buffer(body.constData(), size_t(body.size())) || !document.child("pmcids"))
        return {{}, QStringLiteral("the answer is not the ID converter's")};
    IdConverterAnswer answer;
    for (const pugi::xml_node record : document.child("pmcids").children("record")) {
        if (QLatin1String(record.attribute("status").value()) == QLatin1String("error"))
            continue;
        const auto text = [&record](const char *name) { return QString::fromUtf8(record.attribute(name).value()); };
        answer.records.append(checked({text("requested-id"), text("pmid"), text("pmcid"), text("doi")}));
    }
    return answer;
}

} // namespace

QString articleIdKey(ArticleIdType type, const QString &id)
{
    switch (type) {
    case ArticleIdType::Pmid:
        return QString::number(id.trimmed().toLongLong());
    case ArticleIdType::Pmcid:
        return id.trimmed().toUpper();
    case ArticleIdType::Doi:
        break;
    }
    return id.trimmed().toLower();
}

QList<EutilsRequest> idConverterRequests(const Endpoints &endpoints, ArticleIdType type, const QStringList &ids,
                                         const QString &email)
{
    QString tail = QStringLiteral("&idtype=%1&format=json&versions=no&tool=%2").arg(QLatin1String(typeName(type)),
                                                                                    QLatin1String(kEutilsTool));
    if (!email.trimmed().isEmpty())
        tail += QStringLiteral("&email=") + QString::fromLatin1(QUrl::toPercentEncoding(email.trimmed()));
    return serviceRequestsForIds(endpoints.pmcApiOrigin() + QLatin1String(Paths::IdConverter) + QLatin1String("?ids="), ids,
                                 tail, kIdConverterMaxIds);
}

IdConverterAnswer idConverterAnswerFrom(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    return error.error == QJsonParseError::NoError ? fromJson(document) : fromXml(body);
}

IdConversion::IdConversion(const Endpoints &endpoints, QObject *parent)
    : QObject(parent)
    , m_endpoints(endpoints)
{
    connect(&m_requests, &RequestSequence::retryScheduled, this, &IdConversion::retryScheduled);
    connect(&m_requests, &RequestSequence::failed, this, &IdConversion::failed);
    connect(&m_requests, &RequestSequence::finished, this, [this] { emit finished(m_known); });
}

bool IdConversion::start(const Ids &ids)
{
    if (isRunning())
        return false;
    m_known.clear();
    m_types.clear();
    m_answered = 0;
    QList<EutilsRequest> requests;
    for (const ArticleIdType type : {ArticleIdType::Pmid, ArticleIdType::Pmcid, ArticleIdType::Doi}) {
        QStringList ofType;
        for (const auto &[idType, id] : ids) {
            if (idType == type && !ofType.contains(id))
                ofType.append(id);
        }
        const QList<EutilsRequest> more = idConverterRequests(m_endpoints, type, ofType, m_email);
        requests += more;
        m_types += QList<ArticleIdType>(more.size(), type);
    }
    return m_requests.start(requests, [this](const QByteArray &body) {
        const IdConverterAnswer answer = idConverterAnswerFrom(body);
        const ArticleIdType type = m_types.value(m_answered++);
        for (const ConvertedIds &record : answer.records) {
            const QString asked = !record.requested.isEmpty() ? record.requested
                                  : type == ArticleIdType::Pmid ? record.pmid
                                  : type == ArticleIdType::Pmcid ? record.pmcid
                                                                 : record.doi;
            if (!asked.isEmpty())
                m_known.insert(articleIdKey(type, asked), record);
        }
        return answer.error;
    });
}
