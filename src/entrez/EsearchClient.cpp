#include "entrez/EsearchClient.h"

QString prepareQueryTerm(const QString &fieldText)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(fieldText.trimmed()));
}

QUrl esearchUrl(const Endpoints &endpoints, const QString &preparedTerm, int32_t retStart, int32_t retMax)
{
    // A prepared term holds no spaces; one that was not prepared still must not
    // put a raw space into the request line.
    QString term = preparedTerm;
    term.replace(QLatin1Char(' '), QLatin1String("%20"));
    const QString query = QStringLiteral("?retstart=%1&retmax=%2&term=").arg(retStart).arg(retMax);
    return QUrl(endpoints.eutilsOrigin() + QLatin1String(Paths::ESearch) + query + term);
}
