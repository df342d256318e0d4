#pragma once

#include "common/Endpoints.h"

#include <QByteArray>
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
    FetchFailed, // the page could not be fetched or holds no version
    Current,     // the published version is exactly ours
    NewVersion,  // any other published text, an older number included
};

// Probe, fetch the version page, compare. What to show is the caller's choice.
// On FetchFailed, `failureReason` (when given) receives a readable reason.
UpdateCheckOutcome checkPublishedVersion(Reachability &reachability, BlockingFetcher &fetcher,
                                         const Endpoints &endpoints, QString *failureReason = nullptr);
