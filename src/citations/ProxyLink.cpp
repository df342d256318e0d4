#include "ProxyLink.h"

QString proxiedUrl(const QString &proxyTemplate, const QString &doiUrl)
{
    const qsizetype at = proxyTemplate.indexOf(QLatin1String("%@"));
    if (at < 0)
        return proxyTemplate;
    QString url = proxyTemplate;
    url.replace(at, 2, doiUrl);
    return url;
}
