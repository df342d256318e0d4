#pragma once

#include "gui/widgets/AlertPresenter.h"
#include "gui/widgets/UrlOpener.h"
#include "common/Endpoints.h"
#include "common/UpdateSource.h"

class LibraryStore;
class PreferenceStore;
class Reachability;

// What the window needs from the outside world; the application passes the
// real services, tests pass fakes.
struct AppServices
{
    PreferenceStore *preferences = nullptr;
    Endpoints endpoints;
    Reachability *reachability = nullptr;
    AlertPresenter *alerts = nullptr;
    UrlOpener *urlOpener = nullptr;
    // The user's library; null when it could not be used, and the window
    // then works without history, saved searches and collections.
    LibraryStore *library = nullptr;
    int networkTimeoutMs = kNetworkTimeoutMs;
    UpdateSource updateSource = UpdateSource::VersionPage;
    // Length of one second of the waits before a busy service is asked again;
    // tests shorten it.
    int retryMsPerSecond = 1000;
};
