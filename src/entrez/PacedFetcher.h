#pragma once

#include "entrez/BlockingFetcher.h"
#include "entrez/EutilsRequest.h"
#include "entrez/EutilsTransfer.h"

#include <QNetworkAccessManager>

#include <functional>

// The outcome of one blocking E-utilities request.
struct PacedFetchResult : FetchResult
{
    bool canceled = false; // cancel() ended it; body and error are empty
};

// A blocking E-utilities request over EutilsTransfer. While the request is on
// the wire, the local event loop excludes user input, as the blocking GET of
// BlockingFetcher does; while it waits for its place or for a retry, the
// window takes clicks, so that Cancel (which calls cancel()) ends the wait at
// once. An application quitting meanwhile ends it too, as canceled.
class PacedFetcher
{
public:
    PacedFetcher();
    PacedFetcher(const PacedFetcher &) = delete;
    PacedFetcher &operator=(const PacedFetcher &) = delete;

    void setLimits(const TransferLimits &limits) { m_transfer.setLimits(limits); }
    void setLimiter(RequestLimiter &limiter) { m_transfer.setLimiter(limiter); }
    void setRetryPolicy(const RetryPolicy &policy) { m_transfer.setRetryPolicy(policy); }
    // Told when a busy answer is to be retried in `seconds` s, and when the
    // retry goes out.
    void onRetryScheduled(std::function<void(int seconds)> callback) { m_retryScheduled = std::move(callback); }
    void onRetrying(std::function<void()> callback) { m_retrying = std::move(callback); }

    PacedFetchResult fetch(const EutilsRequest &request);
    // Ends a fetch under way: it returns canceled.
    void cancel();
    bool isRunning() const { return m_transfer.isRunning(); }

private:
    QNetworkAccessManager m_manager;
    EutilsTransfer m_transfer;
    std::function<void(int)> m_retryScheduled;
    std::function<void()> m_retrying;
};
