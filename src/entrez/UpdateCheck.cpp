#include "entrez/UpdateCheck.h"

#include "common/Version.h"
#include "entrez/BlockingFetcher.h"
#include "entrez/Reachability.h"

std::optional<QString> publishedVersionFromPage(const QByteArray &page)
{
    static const QByteArray open = QByteArrayLiteral("<title>");
    static const QByteArray close = QByteArrayLiteral("</title>");
    const qsizetype start = page.indexOf(open);
    const qsizetype end = page.indexOf(close);
    if (start < 0 || end < 0 || end < start + open.size())
        return std::nullopt;
    const qsizetype from = start + open.size();
    return QString::fromUtf8(page.constData() + from, end - from);
}

QUrl versionPageUrl(const Endpoints &endpoints)
{
    return QUrl(endpoints.homeOrigin() + QLatin1String(Paths::VersionPage));
}

QUrl downloadUrl(const Endpoints &endpoints)
{
    return QUrl(endpoints.homeOrigin() + QLatin1String(Paths::Download));
}

UpdateCheckOutcome checkPublishedVersion(Reachability &reachability, BlockingFetcher &fetcher,
                                         const Endpoints &endpoints, QString *failureReason)
{
    if (!internetOnline(reachability))
        return UpdateCheckOutcome::Offline;
    const FetchResult page = fetcher.get(versionPageUrl(endpoints));
    const std::optional<QString> published = page.ok() ? publishedVersionFromPage(page.body) : std::nullopt;
    if (!published) {
        if (failureReason)
            *failureReason = page.ok() ? QStringLiteral("the version page names no version") : page.error;
        return UpdateCheckOutcome::FetchFailed;
    }
    return *published == QLatin1String(kAppVersion) ? UpdateCheckOutcome::Current : UpdateCheckOutcome::NewVersion;
}
