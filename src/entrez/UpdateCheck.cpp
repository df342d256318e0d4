#include "entrez/UpdateCheck.h"

#include "common/Version.h"
#include "entrez/BlockingFetcher.h"
#include "entrez/Reachability.h"

#include <QVersionNumber>

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
    if (!page.ok()) {
        if (failureReason)
            *failureReason = page.error;
        return UpdateCheckOutcome::FetchFailed;
    }
    return outcomeOfVersionPage(page.body, failureReason);
}

UpdateCheckOutcome outcomeOfVersionPage(const QByteArray &page, QString *failureReason)
{
    const QString published = publishedVersionFromPage(page).value_or(QString()).trimmed();
    qsizetype end = 0;
    const QVersionNumber version = QVersionNumber::fromString(published, &end);
    if (version.isNull() || end != published.size()) {
        if (failureReason)
            *failureReason = QStringLiteral("the version page names no version number");
        return UpdateCheckOutcome::FetchFailed;
    }
    return version > QVersionNumber::fromString(QLatin1String(kAppVersion)) ? UpdateCheckOutcome::NewVersion
                                                                             : UpdateCheckOutcome::Current;
}

LaunchUpdateCheck::LaunchUpdateCheck(const Endpoints &endpoints, const TransferLimits &limits, QObject *parent)
    : QObject(parent)
    , m_endpoints(endpoints)
    , m_transfer(m_manager)
{
    m_transfer.setLimits(limits);
    connect(&m_transfer, &HttpTransfer::finished, this, [this] {
        QString reason;
        const UpdateCheckOutcome outcome = outcomeOfVersionPage(m_transfer.takeBody(), &reason);
        emit finished(outcome, reason);
    });
    connect(&m_transfer, &HttpTransfer::failed, this, [this](const QString &reason, const QUrl &, int) {
        emit finished(UpdateCheckOutcome::FetchFailed, reason);
    });
}

void LaunchUpdateCheck::start()
{
    m_transfer.start(versionPageUrl(m_endpoints));
}
