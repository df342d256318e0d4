#include "entrez/EutilsRequest.h"

namespace {

QString encoded(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QString joined(const EncodedParameters &parameters)
{
    QString text;
    for (const auto &[name, value] : parameters) {
        if (!text.isEmpty())
            text += QLatin1Char('&');
        text += name + QLatin1Char('=') + value;
    }
    return text;
}

// The PMIDs named by the id= values, each a comma-separated list.
qsizetype idCount(const EncodedParameters &parameters)
{
    qsizetype count = 0;
    for (const auto &[name, value] : parameters) {
        if (name == QLatin1String("id"))
            count += value.count(QLatin1Char(',')) + 1;
    }
    return count;
}

// EFetch always goes in a POST body; ELink above kElinkMaxGetIds PMIDs, and
// a query too long for a request line, too.
bool isGet(EutilsService service, const EncodedParameters &parameters, qsizetype getUrlLength)
{
    switch (service) {
    case EutilsService::ELink:
    case EutilsService::ESummary:
        return idCount(parameters) <= kElinkMaxGetIds;
    case EutilsService::ESearch:
    case EutilsService::ESpell:
    case EutilsService::ECitMatch:
        return getUrlLength <= kMaxEsearchGetUrlLength;
    case EutilsService::EFetch:
        break;
    }
    return false;
}

const char *servicePath(EutilsService service)
{
    switch (service) {
    case EutilsService::ESearch:
        return Paths::ESearch;
    case EutilsService::EFetch:
        return Paths::EFetch;
    case EutilsService::ELink:
        return Paths::ELinkService;
    case EutilsService::ESpell:
        return Paths::ESpell;
    case EutilsService::ESummary:
        return Paths::ESummary;
    case EutilsService::ECitMatch:
        return Paths::ECitMatch;
    }
    return Paths::EFetch;
}

QStringList encodedAll(const QStringList &values)
{
    QStringList out;
    out.reserve(values.size());
    for (const QString &value : values)
        out.append(encoded(value));
    return out;
}

// A prepared term holds no spaces; one that was not prepared still must not
// put a raw space into the request line.
QString termValue(QString preparedTerm)
{
    return preparedTerm.replace(QLatin1Char(' '), QLatin1String("%20"));
}

} // namespace

EutilsRequest eutilsRequest(const Endpoints &endpoints, EutilsService service, const EncodedParameters &parameters,
                            const EutilsIdentity &identity, EutilsDatabase database)
{
    const QString db = database == EutilsDatabase::MeSH ? QStringLiteral("mesh") : QStringLiteral("pubmed");
    EncodedParameters all;
    if (service == EutilsService::ELink)
        all.append({QStringLiteral("dbfrom"), db});
    all.append({QStringLiteral("db"), db});
    if (service == EutilsService::EFetch)
        all.append({QStringLiteral("rettype"), QStringLiteral("xml")});
    // ECitMatch takes no other mode, though it answers in plain text.
    if (service == EutilsService::EFetch || service == EutilsService::ECitMatch)
        all.append({QStringLiteral("retmode"), QStringLiteral("xml")});
    all.append(parameters);
    all.append({QStringLiteral("tool"), QLatin1String(kEutilsTool)});
    if (!identity.email.trimmed().isEmpty())
        all.append({QStringLiteral("email"), encoded(identity.email.trimmed())});
    if (identity.hasApiKey())
        all.append({QStringLiteral("api_key"), encoded(identity.apiKey.trimmed())});

    EutilsRequest request;
    request.identity = identity;
    const QString origin = endpoints.eutilsOrigin();
    const QString path = origin + QLatin1String(servicePath(service));
    const QString getUrl = path + QLatin1Char('?') + joined(all);
    if (isGet(service, parameters, getUrl.size())) {
        request.url = QUrl(getUrl);
    } else {
        request.url = QUrl(path);
        request.postBody = joined(all).toLatin1();
    }
    return request;
}

EutilsRequest esearchRequest(const Endpoints &endpoints, const QString &preparedTerm, int32_t retStart, int32_t retMax,
                             const EutilsIdentity &identity, SortOrder order, const QDate &addedSince)
{
    EncodedParameters parameters{{QStringLiteral("retstart"), QString::number(retStart)},
                                 {QStringLiteral("retmax"), QString::number(retMax)},
                                 {QStringLiteral("term"), termValue(preparedTerm)}};
    if (const QString sort = SortOrders::parameter(order); !sort.isEmpty())
        parameters.append({QStringLiteral("sort"), sort});
    if (addedSince.isValid()) {
        parameters.append({QStringLiteral("datetype"), QStringLiteral("edat")});
        parameters.append({QStringLiteral("mindate"), addedSince.toString(QStringLiteral("yyyy/MM/dd"))});
        // The service's own open end of a date range.
        parameters.append({QStringLiteral("maxdate"), QStringLiteral("3000")});
    }
    return eutilsRequest(endpoints, EutilsService::ESearch, parameters, identity);
}

EutilsRequest countRequest(const Endpoints &endpoints, const QString &preparedTerm, const EutilsIdentity &identity,
                           int fromYear, int toYear)
{
    EncodedParameters parameters{{QStringLiteral("rettype"), QStringLiteral("count")},
                                 {QStringLiteral("term"), termValue(preparedTerm)}};
    if (fromYear > 0 && toYear > 0) {
        parameters.append({QStringLiteral("datetype"), QStringLiteral("pdat")});
        parameters.append({QStringLiteral("mindate"), QString::number(fromYear)});
        parameters.append({QStringLiteral("maxdate"), QString::number(toYear)});
    }
    return eutilsRequest(endpoints, EutilsService::ESearch, parameters, identity);
}

EutilsRequest meshSearchRequest(const Endpoints &endpoints, const QString &preparedTerm, int retMax,
                                const EutilsIdentity &identity)
{
    return eutilsRequest(endpoints, EutilsService::ESearch,
                         {{QStringLiteral("retmax"), QString::number(retMax)}, {QStringLiteral("term"), termValue(preparedTerm)}},
                         identity, EutilsDatabase::MeSH);
}

EutilsRequest meshSummaryRequest(const Endpoints &endpoints, const QStringList &uids, const EutilsIdentity &identity)
{
    return eutilsRequest(endpoints, EutilsService::ESummary,
                         {{QStringLiteral("version"), QStringLiteral("2.0")},
                          {QStringLiteral("id"), encodedAll(uids).join(QLatin1Char(','))}},
                         identity, EutilsDatabase::MeSH);
}

EutilsRequest espellRequest(const Endpoints &endpoints, const QString &preparedTerm, const EutilsIdentity &identity)
{
    return eutilsRequest(endpoints, EutilsService::ESpell, {{QStringLiteral("term"), preparedTerm}}, identity);
}

EutilsRequest efetchRequest(const Endpoints &endpoints, const QStringList &pmids, const EutilsIdentity &identity)
{
    return eutilsRequest(endpoints, EutilsService::EFetch,
                         {{QStringLiteral("id"), encodedAll(pmids).join(QLatin1Char(','))}}, identity);
}

EutilsRequest elinkRequest(const Endpoints &endpoints, const ElinkQuery &query, const EutilsIdentity &identity)
{
    EncodedParameters parameters;
    if (!query.linkName.isEmpty())
        parameters.append({QStringLiteral("linkname"), encoded(query.linkName)});
    parameters.append(
        {QStringLiteral("cmd"), query.scores ? QStringLiteral("neighbor_score") : QStringLiteral("neighbor")});
    const QStringList ids = encodedAll(query.pmids);
    if (query.perId) {
        for (const QString &id : ids)
            parameters.append({QStringLiteral("id"), id});
    } else {
        parameters.append({QStringLiteral("id"), ids.join(QLatin1Char(','))});
    }
    return eutilsRequest(endpoints, EutilsService::ELink, parameters, identity);
}

EutilsRequest ecitmatchRequest(const Endpoints &endpoints, const QStringList &citations, const EutilsIdentity &identity)
{
    return eutilsRequest(endpoints, EutilsService::ECitMatch,
                         {{QStringLiteral("bdata"), encodedAll(citations).join(QLatin1String("%0D"))}}, identity);
}

EutilsRequest asPost(EutilsRequest request)
{
    if (request.isPost())
        return request;
    request.postBody = request.url.query(QUrl::FullyEncoded).toLatin1();
    request.url.setQuery(QString());
    return request;
}

QString withoutApiKey(QString text, const EutilsIdentity &identity)
{
    if (!identity.hasApiKey())
        return text;
    const QString key = identity.apiKey.trimmed();
    static const QString hidden = QStringLiteral("(API key)");
    text.replace(key, hidden);
    text.replace(encoded(key), hidden);
    return text;
}
