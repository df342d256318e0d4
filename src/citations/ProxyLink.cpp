#include "ProxyLink.h"

#include <QUrl>

namespace {
const QString kPlaceholder = QStringLiteral("%@");
}

QString proxyTemplateProblem(const QString &proxyTemplate)
{
    static const QString kRefused = QStringLiteral("This proxy URL is not used, so links open without the proxy: ");
    const qsizetype schemeEnd = proxyTemplate.indexOf(QLatin1String("://"));
    const QString scheme = proxyTemplate.left(std::max<qsizetype>(schemeEnd, 0)).toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return kRefused + QStringLiteral("it must start with https:// or http://.");
    const qsizetype hostBegin = schemeEnd + 3;
    qsizetype hostEnd = hostBegin;
    while (hostEnd < proxyTemplate.size() && !QStringView(u"/?#").contains(proxyTemplate.at(hostEnd)))
        ++hostEnd;
    const QString authority = proxyTemplate.mid(hostBegin, hostEnd - hostBegin);
    const QUrl host(scheme + QLatin1String("://") + authority + QLatin1Char('/'), QUrl::StrictMode);
    if (authority.contains(kPlaceholder) || !host.isValid() || host.host().isEmpty())
        return kRefused + QStringLiteral("it must name the proxy's host before %@.");
    if (proxyTemplate.indexOf(kPlaceholder, hostEnd) < 0)
        return kRefused + QStringLiteral("it must hold %@ where the article's link goes.");
    return {};
}

QString proxiedUrl(const QString &proxyTemplate, const QString &doiUrl)
{
    if (!proxyTemplateProblem(proxyTemplate).isEmpty())
        return doiUrl;
    QString url = proxyTemplate;
    url.replace(proxyTemplate.indexOf(kPlaceholder), kPlaceholder.size(), QString::fromLatin1(QUrl::toPercentEncoding(doiUrl)));
    return url;
}
