#pragma once

#include "entrez/HttpTransfer.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QString>
#include <QUrl>

// The outcome of one blocking GET.
struct FetchResult
{
    QByteArray body;  // the whole body; empty on failure
    int httpStatus = 0; // status of the last response, 0 when none arrived
    QString error;    // readable reason; empty on success

    bool ok() const { return error.isEmpty(); }
};

// A blocking GET: runs a local event loop that excludes user input, so a
// window keeps repainting but takes no clicks while the answer is awaited.
// Every guard of HttpTransfer applies; in particular an HTTP error status is a
// failure, because an error page is never the answer that was asked for.
class BlockingFetcher
{
public:
    BlockingFetcher() = default;
    BlockingFetcher(const BlockingFetcher &) = delete;
    BlockingFetcher &operator=(const BlockingFetcher &) = delete;

    void setLimits(const TransferLimits &limits) { m_limits = limits; }
    const TransferLimits &limits() const { return m_limits; }

    FetchResult get(const QUrl &url);

private:
    QNetworkAccessManager m_manager;
    TransferLimits m_limits;
};
