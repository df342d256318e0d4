#include "services/Icite.h"

#include "services/JsonValues.h"
#include "services/ServiceRequest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <algorithm>

QList<EutilsRequest> iciteRequests(const Endpoints &endpoints, const QStringList &pmids)
{
    return serviceRequestsForIds(endpoints.iciteOrigin() + QLatin1String(Paths::IcitePubs) + QLatin1String("?pmids="), pmids,
                                 {}, kIciteMaxPmids);
}

namespace {

QStringList pmidsIn(const QJsonValue &list)
{
    QStringList pmids;
    for (const QJsonValue &value : list.toArray()) {
        if (const QString pmid = jsonPmid(value); !pmid.isEmpty())
            pmids.append(pmid);
    }
    return pmids;
}

std::optional<qsizetype> countOf(const QJsonValue &value)
{
    const std::optional<double> number = jsonNumber(value);
    return number && *number >= 0 ? std::optional<qsizetype>(qsizetype(*number)) : std::nullopt;
}

} // namespace

IciteAnswer iciteAnswerFrom(const QByteArray &body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    const QJsonValue data = document.object().value(QLatin1String("data"));
    if (!data.isArray())
        return {{}, QStringLiteral("the answer is not a list of iCite records")};
    IciteAnswer answer;
    for (const QJsonValue &entry : data.toArray()) {
        const QJsonObject object = entry.toObject();
        IciteRecord record;
        record.pmid = jsonPmid(object.value(QLatin1String("pmid")));
        if (record.pmid.isEmpty())
            continue;
        record.citedBy = pmidsIn(object.value(QLatin1String("cited_by")));
        record.references = pmidsIn(object.value(QLatin1String("references")));
        record.metrics.citedBy = countOf(object.value(QLatin1String("citation_count")));
        if (!record.metrics.citedBy && object.value(QLatin1String("cited_by")).isArray())
            record.metrics.citedBy = record.citedBy.size();
        if (object.value(QLatin1String("references")).isArray())
            record.metrics.references = record.references.size();
        record.metrics.rcr = jsonNumber(object.value(QLatin1String("relative_citation_ratio")));
        record.metrics.nihPercentile = jsonNumber(object.value(QLatin1String("nih_percentile")));
        answer.records.append(record);
    }
    return answer;
}

QStringList iciteLinkedPmids(const QList<IciteRecord> &records, LinkKind kind)
{
    if (kind == LinkKind::Similar)
        return {};
    QStringList linked;
    QSet<QString> seen;
    for (const IciteRecord &record : records) {
        for (const QString &pmid : kind == LinkKind::CitedBy ? record.citedBy : record.references) {
            if (!seen.contains(pmid)) {
                seen.insert(pmid);
                linked.append(pmid);
            }
        }
    }
    if (kind == LinkKind::CitedBy)
        std::stable_sort(linked.begin(), linked.end(),
                         [](const QString &a, const QString &b) { return a.toLongLong() > b.toLongLong(); });
    return linked;
}

QHash<QString, QStringList> iciteLinkedFrom(const QList<IciteRecord> &records, LinkKind kind)
{
    QHash<QString, QStringList> from;
    for (const IciteRecord &record : records) {
        for (const QString &pmid : iciteLinkedPmids({record}, kind))
            from[pmid].append(record.pmid);
    }
    return from;
}
