#pragma once

#include "common/Endpoints.h"

#include "entrez/HttpTransfer.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QUrl>

#include <optional>

class BlockingFetcher;
class Reachability;

// The version a page publishes: the text between its first "<title>" and its
// first "</title>". None when either is missing or the end comes first.
std::optional<QString> publishedVersionFromPage(const QByteArray &page);

QUrl versionPageUrl(const Endpoints &endpoints);
QUrl downloadUrl(const Endpoints &endpoints);

enum class UpdateCheckOutcome {
    Offline,     // the connectivity probe said no; nothing was fetched
    FetchFailed, // the page could not be fetched or holds no version number
    Current,     // the published version is ours, or older
    NewVersion,  // the published version is a higher number than ours
};

// The outcome of a fetched version page: its version compared with ours as
// numbers ("10" < "10.1" < "11"), or FetchFailed with the reason when the page
// names no version number.
UpdateCheckOutcome outcomeOfVersionPage(const QByteArray &page, QString *failureReason = nullptr);

// Probe, fetch the version page, compare. What to show is the caller's choice.
// On FetchFailed, `failureReason` (when given) receives a readable reason.
UpdateCheckOutcome checkPublishedVersion(Reachability &reachability, BlockingFetcher &fetcher,
                                         const Endpoints &endpoints, QString *failureReason = nullptr);

// The check made at launch, asynchronously, so that the window never waits
// for the network: it fetches the version page without the connectivity
// probe (a name lookup that would hold up the event loop; offline, the fetch
// fails just the same) and reports once. Deleting it stops it silently.
class LaunchUpdateCheck : public QObject
{
    Q_OBJECT

public:
    explicit LaunchUpdateCheck(const Endpoints &endpoints, const TransferLimits &limits, QObject *parent = nullptr);

    void start();
    bool isRunning() const { return m_transfer.isRunning(); }

signals:
    // Current, NewVersion or FetchFailed (with the reason).
    void finished(UpdateCheckOutcome outcome, const QString &failureReason);

private:
    Endpoints m_endpoints;
    QNetworkAccessManager m_manager;
    HttpTransfer m_transfer;
};
