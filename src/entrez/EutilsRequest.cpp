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

} // namespace

EutilsRequest eutilsRequest(const Endpoints &endpoints, EutilsService service, const EncodedParameters &parameters,
                            const EutilsIdentity &identity)
{
    EncodedParameters all = {{QStringLiteral("db"), QStringLiteral("pubmed")}};
    if (service == EutilsService::EFetch) {
        all.append({QStringLiteral("rettype"), QStringLiteral("xml")});
        all.append({QStringLiteral("retmode"), QStringLiteral("xml")});
    }
    all.append(parameters);
    all.append({QStringLiteral("tool"), QLatin1String(kEutilsTool)});
    if (!identity.email.trimmed().isEmpty())
        all.append({QStringLiteral("email"), encoded(identity.email.trimmed())});
    if (identity.hasApiKey())
        all.append({QStringLiteral("api_key"), encoded(identity.apiKey.trimmed())});

    EutilsRequest request;
    request.identity = identity;
    const QString origin = endpoints.eutilsOrigin();
    const char *path = service == EutilsService::ESpell ? Paths::ESpell
        : service == EutilsService::ESearch             ? Paths::ESearch
                                                        : Paths::EFetch;
    const QString getUrl = origin + QLatin1String(path) + QLatin1Char('?') + joined(all);
    // EFetch, and a query too long for a request line, go in a POST body.
    if (service != EutilsService::EFetch && getUrl.size() <= kMaxEsearchGetUrlLength) {
        request.url = QUrl(getUrl);
    } else {
        request.url = QUrl(origin + QLatin1String(path));
        request.postBody = joined(all).toLatin1();
    }
    return request;
}

EutilsRequest esearchRequest(const Endpoints &endpoints, const QString &preparedTerm, int32_t retStart, int32_t retMax,
                             const EutilsIdentity &identity, SortOrder order)
{
    // A prepared term holds no spaces; one that was not prepared still must not
    // put a raw space into the request line.
    QString term = preparedTerm;
    term.replace(QLatin1Char(' '), QLatin1String("%20"));
    EncodedParameters parameters{{QStringLiteral("retstart"), QString::number(retStart)},
                                 {QStringLiteral("retmax"), QString::number(retMax)},
                                 {QStringLiteral("term"), term}};
    if (const QString sort = SortOrders::parameter(order); !sort.isEmpty())
        parameters.append({QStringLiteral("sort"), sort});
    return eutilsRequest(endpoints, EutilsService::ESearch, parameters, identity);
}

EutilsRequest espellRequest(const Endpoints &endpoints, const QString &preparedTerm, const EutilsIdentity &identity)
{
    return eutilsRequest(endpoints, EutilsService::ESpell, {{QStringLiteral("term"), preparedTerm}}, identity);
}

EutilsRequest efetchRequest(const Endpoints &endpoints, const QStringList &pmids, const EutilsIdentity &identity)
{
    QStringList ids;
    ids.reserve(pmids.size());
    for (const QString &pmid : pmids)
        ids.append(encoded(pmid));
    return eutilsRequest(endpoints, EutilsService::EFetch, {{QStringLiteral("id"), ids.join(QLatin1Char(','))}},
                         identity);
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
